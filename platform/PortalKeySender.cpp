#include "PortalKeySender.h"

#include "Log.h"

#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QRandomGenerator>

namespace platform {

namespace {

const char kService[] = "org.freedesktop.portal.Desktop";
const char kPath[] = "/org/freedesktop/portal/desktop";
const char kInterface[] = "org.freedesktop.portal.RemoteDesktop";
const char kRequest[] = "org.freedesktop.portal.Request";
const char kSession[] = "org.freedesktop.portal.Session";

// Variants inside a message's arguments come wrapped; inside a dictionary they do not.
QVariant unwrapped(const QVariant& v) {
    if (v.metaType() == QMetaType::fromType<QDBusVariant>()) return v.value<QDBusVariant>().variant();
    return v;
}

// Portals have answered the session handle both as an object path and as a string.
QString pathOf(const QVariant& v) {
    const QVariant plain = unwrapped(v);
    if (plain.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return plain.value<QDBusObjectPath>().path();
    return plain.toString();
}

QDBusMessage portalCall(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

QString errorText(const QDBusMessage& reply) {
    return QStringLiteral("%1: %2").arg(reply.errorName(), reply.errorMessage());
}

}  // namespace

PortalKeySender::PortalKeySender(QDBusConnection bus, RestoreTokenStore tokens, Failed failed,
                                 QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_tokens(std::move(tokens)), m_failed(std::move(failed)) {}

PortalKeySender::~PortalKeySender() {
    unfollow();
    endSession(true);
}

QString PortalKeySender::requestPath(const QString& uniqueName, const QString& token) {
    QString sender = uniqueName.startsWith(':') ? uniqueName.mid(1) : uniqueName;
    sender.replace('.', '_');
    return QStringLiteral("%1/request/%2/%3").arg(QLatin1String(kPath), sender, token);
}

QString PortalKeySender::newToken() {
    return QStringLiteral("ostrely%1_%2").arg(QRandomGenerator::global()->generate()).arg(++m_tokenCount);
}

void PortalKeySender::watch(const QDBusPendingCall& call,
                            std::function<void(const QDBusMessage&)> done) {
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [watcher, done = std::move(done)] {
                watcher->deleteLater();
                done(watcher->reply());
            });
}

void PortalKeySender::start() {
    // A portal that was missing may have come since; a teacher's no stands for the run.
    if (m_state != State::Idle && m_state != State::Lost && m_state != State::Unavailable) return;
    ++m_generation;
    if (!m_bus.isConnected()) {
        fail(State::Unavailable,
             QStringLiteral("no session bus to reach the desktop portal (%1)")
                 .arg(m_bus.lastError().message()));
        return;
    }
    if (m_watcher == nullptr) {
        m_watcher = new QDBusServiceWatcher(kService, m_bus,
                                            QDBusServiceWatcher::WatchForUnregistration, this);
        connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this,
                [this] { portalGone(); });
    }
    m_state = State::Probing;
    QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QString::fromLatin1(kInterface) << QStringLiteral("AvailableDeviceTypes");
    const int generation = m_generation;
    watch(m_bus.asyncCall(get), [this, generation](const QDBusMessage& reply) {
        if (generation == m_generation) probed(reply);
    });
}

void PortalKeySender::probed(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage) {
        fail(State::Unavailable,
             QStringLiteral("the desktop offers no remote-desktop portal (%1)").arg(errorText(reply)));
        return;
    }
    const uint types = unwrapped(reply.arguments().value(0)).toUInt();
    if ((types & kKeyboard) == 0) {
        fail(State::Unavailable,
             QStringLiteral("the remote-desktop portal offers no keyboard (device types %1)").arg(types));
        return;
    }
    m_state = State::Creating;
    request(Step::Create, QStringLiteral("CreateSession"), {},
            {{QStringLiteral("session_handle_token"), newToken()}});
}

void PortalKeySender::request(Step step, const QString& method, QVariantList args,
                              QVariantMap options) {
    const QString token = newToken();
    options.insert(QStringLiteral("handle_token"), token);
    m_step = step;
    // Subscribed before the call: the answer may come before the call's own reply.
    const QString predicted = requestPath(m_bus.baseService(), token);
    follow(predicted);
    QDBusMessage call = portalCall(method);
    args << options;
    call.setArguments(args);
    const int generation = m_generation;
    watch(m_bus.asyncCall(call), [this, generation, method, predicted](const QDBusMessage& reply) {
        if (generation != m_generation) return;
        if (reply.type() != QDBusMessage::ReplyMessage) {
            fail(State::Unavailable,
                 QStringLiteral("the remote-desktop portal refused %1 (%2)").arg(method, errorText(reply)));
            return;
        }
        // A portal that ignores the handle token answers on a path of its own choosing.
        const QString handle = pathOf(reply.arguments().value(0));
        if (m_requestPath == predicted && !handle.isEmpty() && handle != predicted) follow(handle);
    });
}

void PortalKeySender::follow(const QString& path) {
    unfollow();
    m_requestPath = path;
    m_bus.connect(QString(), path, kRequest, QStringLiteral("Response"), this,
                  SLOT(onResponse(uint, QVariantMap)));
}

void PortalKeySender::unfollow() {
    if (m_requestPath.isEmpty()) return;
    m_bus.disconnect(QString(), m_requestPath, kRequest, QStringLiteral("Response"), this,
                     SLOT(onResponse(uint, QVariantMap)));
    m_requestPath.clear();
}

void PortalKeySender::onResponse(uint response, const QVariantMap& results) {
    if (m_requestPath.isEmpty()) return;
    unfollow();
    static const char* const kSteps[] = {"CreateSession", "SelectDevices", "Start"};
    const char* step = kSteps[static_cast<int>(m_step)];
    if (response == 1) {
        m_tokens.forget();  // a token handed in is used up, granted or not
        fail(State::Refused,
             QStringLiteral("the permission to send keys was declined at the portal's %1").arg(QLatin1String(step)));
        return;
    }
    if (response != 0) {
        fail(State::Refused,
             QStringLiteral("the remote-desktop portal ended its %1 (response %2)").arg(QLatin1String(step)).arg(response));
        return;
    }
    switch (m_step) {
        case Step::Create: sessionCreated(results); break;
        case Step::Select: startSession(); break;
        case Step::Start: started(results); break;
    }
}

void PortalKeySender::sessionCreated(const QVariantMap& results) {
    m_session = pathOf(results.value(QStringLiteral("session_handle")));
    if (m_session.isEmpty()) {
        fail(State::Unavailable, QStringLiteral("the remote-desktop portal made no session"));
        return;
    }
    m_bus.connect(QString(), m_session, kSession, QStringLiteral("Closed"), this,
                  SLOT(onSessionClosed(QVariantMap)));
    selectDevices();
}

void PortalKeySender::selectDevices() {
    m_state = State::Selecting;
    QVariantMap options{{QStringLiteral("types"), kKeyboard},
                        {QStringLiteral("persist_mode"), kPersistUntilRevoked}};
    const QString token = m_tokens.load();
    if (!token.isEmpty()) options.insert(QStringLiteral("restore_token"), token);
    request(Step::Select, QStringLiteral("SelectDevices"),
            {QVariant::fromValue(QDBusObjectPath(m_session))}, options);
}

void PortalKeySender::startSession() {
    m_state = State::Starting;
    // No parent window: the program's window may be hidden, and a Wayland one has no handle to give.
    request(Step::Start, QStringLiteral("Start"),
            {QVariant::fromValue(QDBusObjectPath(m_session)), QString()}, {});
}

void PortalKeySender::started(const QVariantMap& results) {
    const auto devices = results.find(QStringLiteral("devices"));
    if (devices != results.end() && (unwrapped(*devices).toUInt() & kKeyboard) == 0) {
        fail(State::Refused, QStringLiteral("the portal's session came without the keyboard"));
        return;
    }
    const QString token = unwrapped(results.value(QStringLiteral("restore_token"))).toString();
    if (token.isEmpty())
        m_tokens.forget();
    else
        m_tokens.save(token);
    m_state = State::Ready;
    qCDebug(log::shell(), "keys go to the program in front through the remote-desktop portal");
    flush();
}

void PortalKeySender::flush() {
    while (!m_queue.empty() && m_state == State::Ready) {
        const quint32 keysym = m_queue.front();
        m_queue.pop_front();
        notify(keysym);
    }
}

void PortalKeySender::send(quint32 keysym) {
    if (m_state == State::Idle || m_state == State::Lost || m_state == State::Unavailable) start();
    switch (m_state) {
        case State::Ready: notify(keysym); return;
        case State::Refused:
        case State::Unavailable: m_failed(m_cause, 1); return;
        default: break;
    }
    if (queued() >= kQueueLimit) {
        log::failure(log::shell(), QStringLiteral("a key for the program in front was dropped"),
                     QStringLiteral("%1 keys already wait for the remote-desktop portal's session").arg(queued()));
        return;
    }
    m_queue.push_back(keysym);
}

void PortalKeySender::notify(quint32 keysym) {
    const int generation = m_generation;
    for (const uint pressed : {1u, 0u}) {
        QDBusMessage call = portalCall(QStringLiteral("NotifyKeyboardKeysym"));
        call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariantMap()
             << static_cast<int>(keysym) << pressed;
        watch(m_bus.asyncCall(call), [this, generation](const QDBusMessage& reply) {
            if (generation != m_generation || reply.type() == QDBusMessage::ReplyMessage) return;
            fail(State::Lost,
                 QStringLiteral("the remote-desktop portal refused a key (%1)").arg(errorText(reply)), 1);
        });
    }
}

void PortalKeySender::onSessionClosed(const QVariantMap&) {
    if (m_session.isEmpty()) return;
    endSession(false);
    fail(State::Lost, QStringLiteral("the desktop closed the remote-desktop session"));
}

void PortalKeySender::portalGone() {
    if (m_state == State::Idle || m_state == State::Refused || m_state == State::Unavailable ||
        m_state == State::Lost)
        return;  // nothing of it was in use
    endSession(false);  // went with the portal
    fail(State::Lost, QStringLiteral("the desktop portal left the session bus"));
}

void PortalKeySender::endSession(bool closeIt) {
    if (m_session.isEmpty()) return;
    m_bus.disconnect(QString(), m_session, kSession, QStringLiteral("Closed"), this,
                     SLOT(onSessionClosed(QVariantMap)));
    if (!closeIt) {
        m_session.clear();
        return;
    }
    QDBusMessage close = QDBusMessage::createMethodCall(kService, m_session, kSession,
                                                        QStringLiteral("Close"));
    close.setAutoStartService(false);
    m_bus.send(close);  // nobody waits for the answer
    m_session.clear();
}

void PortalKeySender::fail(State state, const QString& cause, int alsoLost) {
    ++m_generation;
    unfollow();
    endSession(true);
    m_state = state;
    m_cause = cause;
    const int lost = queued() + alsoLost;
    m_queue.clear();
    m_failed(cause, lost);
}

}  // namespace platform
