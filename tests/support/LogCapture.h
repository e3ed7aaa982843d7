#pragma once
// Collects what the program logs while it lives (category and text), for tests that check a
// failure left its line. One at a time; the previous handler comes back at the end.
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <mutex>

namespace testsupport {

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // "category: text" per line, in order.
    QStringList lines() const;
    // The lines of one category ("ostrely.camera") that hold every one of the words.
    QStringList matching(const QString& category, const QStringList& words) const;

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& text);
    mutable std::mutex m_lock;
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};

}  // namespace testsupport
