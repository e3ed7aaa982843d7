#include "DisplayPlatform.h"

#include <QList>
#include <QtGlobal>

#include <unistd.h>
#include <cstdio>

namespace platform {

namespace {

void appendMissing(QList<QByteArray>& list, const QByteArray& name) {
    if (!list.contains(name)) list << name;
}

void onMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
    if (type != QtFatalMsg || !isMissingPlatform(text)) return;
    std::fprintf(stderr,
                 "Ostrely needs an X display (X11 or XWayland) or the Qt Wayland plugin; "
                 "none could be used.\n");
    std::fflush(stderr);
    ::_exit(1);
}

}  // namespace

QByteArray choosePlatform(const QByteArray& requested, bool x11Display, bool waylandDisplay) {
    QList<QByteArray> list;
    for (const QByteArray& name : requested.split(';'))
        if (!name.trimmed().isEmpty()) list << name.trimmed();
    if (x11Display) appendMissing(list, "xcb");
    if (waylandDisplay) appendMissing(list, "wayland");
    // Nothing to go by: Qt's own default and its message.
    if (list.isEmpty()) return {};
    return list.join(';');
}

bool isMissingPlatform(const QString& fatalText) {
    return fatalText.contains(QLatin1String("Qt platform plugin"));
}

void applyDisplayPolicy() {
    const QByteArray chosen =
        choosePlatform(qgetenv("QT_QPA_PLATFORM"), !qEnvironmentVariableIsEmpty("DISPLAY"),
                       !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
    if (!chosen.isEmpty()) qputenv("QT_QPA_PLATFORM", chosen);
    // Until the application object exists, only Qt's plugin loading speaks here.
    qInstallMessageHandler(onMessage);
}

}  // namespace platform
