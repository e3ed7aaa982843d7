#pragma once
// A receiver that keeps every platform::Message it gets, and a wait that runs the event loop
// until a condition holds (or a generous real-time limit passes).
#include "platform/Message.h"

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace testsupport {

struct RecordedMessage {
    unsigned msg = 0;
    quintptr wParam = 0;
    qintptr lParam = 0;
    QString text;
};

class MessageRecorder : public QObject {
public:
    std::vector<RecordedMessage> messages;

    std::vector<RecordedMessage> of(unsigned msg) const;
    // Processes events until done() is true; false if it still is not after timeoutMs.
    static bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000);

protected:
    bool event(QEvent* e) override;
};

}  // namespace testsupport
