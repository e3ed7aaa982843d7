#pragma once
// Key presses for the program in front through the desktop's remote-desktop portal, the one way
// a native Wayland program has to type into another: a session asked for once (a keyboard,
// kept until the teacher revokes it), then each key as a keysym press and release. Every step of
// the portal answers later, on a request object of its own, so nothing here waits: all of it runs
// in the event loop of the thread the object lives on. Keys pressed before the session is up wait
// in a short queue and follow once it is.
#include "platform/RestoreTokenStore.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <deque>
#include <functional>

class QDBusPendingCall;
class QDBusServiceWatcher;

namespace platform {

class PortalKeySender : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Probing, Creating, Selecting, Starting, Ready, Refused, Unavailable, Lost };
    // Keys stop reaching the program in front: why, and how many keys were lost with it (0 when
    // none was waiting).
    using Failed = std::function<void(const QString& cause, int keysLost)>;

    PortalKeySender(QDBusConnection bus, RestoreTokenStore tokens, Failed failed,
                    QObject* parent = nullptr);
    ~PortalKeySender() override;
    PortalKeySender(const PortalKeySender&) = delete;
    PortalKeySender& operator=(const PortalKeySender&) = delete;

    // Asks the portal for the session (the desktop may ask the teacher). Does nothing while one
    // is being made or is up, nor after the teacher said no.
    void start();
    // Sends the key now, or queues it until the session is up (starting it if needed).
    void send(quint32 keysym);

    State state() const { return m_state; }
    int queued() const { return static_cast<int>(m_queue.size()); }

    // The object path of the request a call with this handle token answers on.
    static QString requestPath(const QString& uniqueName, const QString& token);

    // A teacher who presses on while the portal asks for permission means those presses; a long
    // wait should not replay a burst of them.
    static constexpr int kQueueLimit = 4;
    static constexpr quint32 kKeyboard = 1;             // device type bit
    static constexpr quint32 kPersistUntilRevoked = 2;  // persist mode

private Q_SLOTS:
    void onResponse(uint response, const QVariantMap& results);
    void onSessionClosed(const QVariantMap& details);

private:
    enum class Step { Create, Select, Start };

    void probed(const QDBusMessage& reply);
    void request(Step step, const QString& method, QVariantList args, QVariantMap options);
    void sessionCreated(const QVariantMap& results);
    void selectDevices();
    void startSession();
    void started(const QVariantMap& results);
    void notify(quint32 keysym);
    void flush();
    void follow(const QString& requestPath);
    void unfollow();
    void endSession(bool closeIt);
    void fail(State state, const QString& cause, int alsoLost = 0);
    void portalGone();
    void watch(const QDBusPendingCall& call, std::function<void(const QDBusMessage&)> done);
    QString newToken();

    QDBusConnection m_bus;
    RestoreTokenStore m_tokens;
    Failed m_failed;
    QDBusServiceWatcher* m_watcher = nullptr;
    State m_state = State::Idle;
    Step m_step = Step::Create;
    QString m_requestPath;  // the request whose answer is awaited; empty when none
    QString m_session;
    QString m_cause;        // why no key can go now (Refused, Unavailable)
    std::deque<quint32> m_queue;
    int m_generation = 0;  // answers to an earlier attempt are ignored
    unsigned m_tokenCount = 0;
};

}  // namespace platform
