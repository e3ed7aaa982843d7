#include "LogCapture.h"

namespace testsupport {

namespace {
LogCapture* g_current = nullptr;
}

LogCapture::LogCapture() {
    g_current = this;
    m_previous = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(m_previous);
    g_current = nullptr;
}

void LogCapture::handler(QtMsgType, const QMessageLogContext& context, const QString& text) {
    LogCapture* self = g_current;
    if (self == nullptr) return;
    const QString category = context.category ? QString::fromUtf8(context.category) : QString();
    std::lock_guard<std::mutex> guard(self->m_lock);
    self->m_lines << category + QStringLiteral(": ") + text;
}

QStringList LogCapture::lines() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lines;
}

QStringList LogCapture::matching(const QString& category, const QStringList& words) const {
    QStringList found;
    for (const QString& line : lines()) {
        if (!line.startsWith(category + QStringLiteral(": "))) continue;
        bool all = true;
        for (const QString& w : words) all = all && line.contains(w);
        if (all) found << line;
    }
    return found;
}

}  // namespace testsupport
