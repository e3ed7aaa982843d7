#include "FakePortal.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QTimer>
#include <QUuid>

namespace testsupport {

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");

QVariantMap mapOf(const QVariant& v) {
    if (v.metaType() == QMetaType::fromType<QDBusArgument>())
        return qdbus_cast<QVariantMap>(v.value<QDBusArgument>());
    return v.toMap();
}

// As the portal documents it: ":1.42" becomes "1_42".
QString senderPart(const QString& unique) {
    QString s = unique.mid(1);
    return s.replace('.', '_');
}

}  // namespace

FakePortal::FakePortal(const QString& busAddress, Behaviour behaviour)
    : m_name(QStringLiteral("fake-portal-") + QUuid::createUuid().toString(QUuid::Id128)),
      m_bus(QDBusConnection::connectToBus(busAddress, m_name)),
      m_behaviour(std::move(behaviour)) {
    m_up = m_bus.isConnected() && m_bus.registerService(kService) &&
           m_bus.registerVirtualObject(kPath, this, QDBusConnection::SubPath);
}

FakePortal::~FakePortal() {
    vanish();
}

void FakePortal::vanish() {
    if (!m_bus.isConnected()) return;
    m_bus.unregisterObject(kPath, QDBusConnection::UnregisterTree);
    m_bus = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(m_name);
    m_up = false;
}

QString FakePortal::introspect(const QString&) const {
    return {};
}

QString FakePortal::handleFor(const QDBusMessage& call, const QVariantMap& options) {
    if (m_behaviour.ownRequestPaths)
        return QStringLiteral("%1/request/elsewhere/r%2").arg(kPath).arg(++m_ownPaths);
    return QStringLiteral("%1/request/%2/%3")
        .arg(kPath, senderPart(call.service()), options.value("handle_token").toString());
}

void FakePortal::respond(const QDBusMessage& call, const QString& handle, uint response,
                         const QVariantMap& results) {
    QDBusMessage answer =
        QDBusMessage::createSignal(handle, "org.freedesktop.portal.Request", "Response");
    answer << response << results;
    const QDBusMessage reply = call.createReply(QVariant::fromValue(QDBusObjectPath(handle)));
    // A client that subscribes only once the call returned misses this answer.
    if (!m_behaviour.ownRequestPaths) m_bus.send(answer);
    m_bus.send(reply);
    // Such a portal is followed only once its reply is in: it answers as one that asks first.
    if (m_behaviour.ownRequestPaths)
        QTimer::singleShot(100, this, [this, answer] { m_bus.send(answer); });
}

void FakePortal::answerStart() {
    if (m_heldHandle.isEmpty()) return;
    QVariantMap results{{"devices", m_behaviour.grantedDevices}};
    if (!m_behaviour.restoreToken.isEmpty()) results.insert("restore_token", m_behaviour.restoreToken);
    QDBusMessage answer =
        QDBusMessage::createSignal(m_heldHandle, "org.freedesktop.portal.Request", "Response");
    answer << m_behaviour.startResponse << results;
    if (m_behaviour.ownRequestPaths)
        QTimer::singleShot(100, this, [this, answer] { m_bus.send(answer); });
    else
        m_bus.send(answer);
    m_heldHandle.clear();
}

void FakePortal::closeSession() {
    if (m_session.isEmpty()) return;
    QDBusMessage closed =
        QDBusMessage::createSignal(m_session, "org.freedesktop.portal.Session", "Closed");
    closed << QVariantMap();
    m_bus.send(closed);
}

bool FakePortal::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    const QString member = message.member();
    const QVariantList args = message.arguments();
    if (message.interface() == "org.freedesktop.DBus.Properties" && member == "Get") {
        if (args.value(0).toString() != kInterface || args.value(1).toString() != "AvailableDeviceTypes")
            return false;
        m_bus.send(message.createReply(QVariant::fromValue(QDBusVariant(m_behaviour.deviceTypes))));
        return true;
    }
    if (message.interface() == "org.freedesktop.portal.Session" && member == "Close") {
        m_calls << "Close";
        m_bus.send(message.createReply());
        return true;
    }
    if (message.interface() != kInterface) return false;
    if (member == "CreateSession") {
        const QVariantMap options = mapOf(args.value(0));
        m_calls << member;
        m_options[member] = options;
        m_session = QStringLiteral("%1/session/%2/%3")
                        .arg(kPath, senderPart(message.service()),
                             options.value("session_handle_token").toString());
        const QVariant handle = m_behaviour.sessionHandleAsString
                                    ? QVariant(m_session)
                                    : QVariant::fromValue(QDBusObjectPath(m_session));
        respond(message, handleFor(message, options), 0, {{"session_handle", handle}});
        return true;
    }
    if (member == "SelectDevices") {
        const QVariantMap options = mapOf(args.value(1));
        m_calls << member;
        m_options[member] = options;
        respond(message, handleFor(message, options), m_behaviour.selectResponse, {});
        return true;
    }
    if (member == "Start") {
        const QVariantMap options = mapOf(args.value(2));
        m_calls << member;
        m_options[member] = options;
        m_parentWindow = args.value(1).toString();
        m_heldHandle = handleFor(message, options);
        m_bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(m_heldHandle))));
        if (!m_behaviour.holdStart) answerStart();
        return true;
    }
    if (member == "NotifyKeyboardKeysym") {
        m_calls << QStringLiteral("Key %1 %2")
                       .arg(args.value(2).toInt(), 0, 16)
                       .arg(args.value(3).toUInt());
        if (m_behaviour.refuseKeys)
            m_bus.send(message.createErrorReply("org.freedesktop.DBus.Error.AccessDenied",
                                                "no keyboard in this session"));
        else
            m_bus.send(message.createReply());
        return true;
    }
    return false;
}

}  // namespace testsupport
