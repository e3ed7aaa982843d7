#include "Log.h"

#include <cstring>

namespace platform::log {

Q_LOGGING_CATEGORY(cameraCategory, "ostrely.camera", QtInfoMsg)
Q_LOGGING_CATEGORY(boardCategory, "ostrely.board", QtInfoMsg)
Q_LOGGING_CATEGORY(shareCategory, "ostrely.share", QtInfoMsg)
Q_LOGGING_CATEGORY(settingsCategory, "ostrely.settings", QtInfoMsg)
Q_LOGGING_CATEGORY(shellCategory, "ostrely.shell", QtInfoMsg)

const QLoggingCategory& camera() { return cameraCategory(); }
const QLoggingCategory& board() { return boardCategory(); }
const QLoggingCategory& share() { return shareCategory(); }
const QLoggingCategory& settings() { return settingsCategory(); }
const QLoggingCategory& shell() { return shellCategory(); }

void failure(const QLoggingCategory& area, const QString& what, int err) {
    if (err == 0) {
        failure(area, what, QString());
        return;
    }
    char buffer[256];
    // The GNU variant returns the text, which may or may not be in the buffer.
    const char* cause = ::strerror_r(err, buffer, sizeof buffer);
    failure(area, what, QString::fromLocal8Bit(cause));
}

void failure(const QLoggingCategory& area, const QString& what, const QString& cause) {
    if (!area.isWarningEnabled()) return;
    const QMessageLogger logger;
    if (cause.isEmpty())
        logger.warning(area, "%s", qUtf8Printable(what));
    else
        logger.warning(area, "%s: %s", qUtf8Printable(what), qUtf8Printable(cause));
}

void applyEnvironment() {
    const QByteArray debug = qgetenv("OSTRELY_DEBUG");
    if (!debug.isEmpty() && debug != "0") QLoggingCategory::setFilterRules("ostrely.*.debug=true");
}

}  // namespace platform::log
