#include "MessageRecorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace testsupport {

std::vector<RecordedMessage> MessageRecorder::of(unsigned msg) const {
    std::vector<RecordedMessage> out;
    for (const RecordedMessage& m : messages) {
        if (m.msg == msg) out.push_back(m);
    }
    return out;
}

bool MessageRecorder::waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

bool MessageRecorder::event(QEvent* e) {
    if (const auto* m = platform::asMessage(e)) {
        messages.push_back(RecordedMessage{m->msg, m->wParam, m->lParam, m->text});
        return true;
    }
    return QObject::event(e);
}

}  // namespace testsupport
