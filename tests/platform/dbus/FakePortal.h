#pragma once
// A remote-desktop portal of the test's own: it owns the portal's name on a private bus, answers
// the property read and the session's methods as the desktop portal does (the answer as a
// Response signal on the request's object, sent before the call's own reply), and writes down
// every call it gets.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QList>
#include <QStringList>
#include <QVariantMap>

namespace testsupport {

struct FakePortalBehaviour {
    uint deviceTypes = 7;            // keyboard, pointer, touch
    uint selectResponse = 0;
    uint startResponse = 0;          // 1: the teacher said no
    uint grantedDevices = 1;         // Start's "devices"
    QString restoreToken;            // Start's "restore_token"; empty gives none
    bool holdStart = false;          // Start's answer waits for answerStart()
    bool sessionHandleAsString = false;
    bool ownRequestPaths = false;    // ignores handle_token, answers after the reply
    bool refuseKeys = false;         // keys answered with an error
};

class FakePortal : public QDBusVirtualObject {
public:
    using Behaviour = FakePortalBehaviour;

    explicit FakePortal(const QString& busAddress, Behaviour behaviour = {});
    ~FakePortal() override;

    bool up() const { return m_up; }
    // Leaves the bus, as a portal that ends.
    void vanish();
    // Sends the Start answer held back.
    void answerStart();
    // Closes the session from the desktop's side.
    void closeSession();

    // "CreateSession", "SelectDevices", "Start", "Key <keysym> <state>", "Close".
    const QStringList& calls() const { return m_calls; }
    QVariantMap optionsOf(const QString& method) const { return m_options.value(method); }
    QString parentWindow() const { return m_parentWindow; }
    QString sessionPath() const { return m_session; }

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    static constexpr char kService[] = "org.freedesktop.portal.Desktop";

private:
    void respond(const QDBusMessage& call, const QString& handle, uint response,
                 const QVariantMap& results);
    QString handleFor(const QDBusMessage& call, const QVariantMap& options);

    QString m_name;
    QDBusConnection m_bus;
    Behaviour m_behaviour;
    bool m_up = false;
    QStringList m_calls;
    QMap<QString, QVariantMap> m_options;
    QString m_parentWindow;
    QString m_session;
    QDBusMessage m_heldStart;
    QString m_heldHandle;
    int m_ownPaths = 0;
};

}  // namespace testsupport
