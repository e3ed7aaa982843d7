#pragma once
// A D-Bus daemon of the test's own: a session bus nobody else is on, with no service that it
// would start on demand, gone with the object.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Empty when dbus-daemon could not be started.
    const QString& address() const { return m_address; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

}  // namespace testsupport
