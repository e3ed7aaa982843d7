#pragma once
// How a second start reaches the running program: the running one listens on a local socket in
// the per-user runtime folder; a second start connects and asks it to show its view. Only this
// user's processes are heard, and a link planted where the socket belongs is never followed.
#include "platform/UniqueFd.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <map>

class QSocketNotifier;
class QTimer;

namespace platform {

class InstanceChannel : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kSocketName = "Ostrely.exe.sock";
    static constexpr int kMaxRequestBytes = 64;
    static constexpr int kMaxPeers = 8;

    // folder: where the socket lives; it must be private to this user.
    explicit InstanceChannel(QString folder = defaultFolder(), QObject* parent = nullptr);
    ~InstanceChannel() override;

    // Starts listening; each "show" request posts msg::kShowInstance to receiver. False when the
    // folder is not private, something not ours sits at the socket's path, or another instance
    // already listens there.
    bool listen(QObject* receiver);
    bool isListening() const { return bool(m_fd); }
    QString socketPath() const;
    // A peer that has not sent a whole request by then is dropped.
    void setPeerTimeoutMs(int ms) { m_peerTimeoutMs = ms; }

    // $XDG_RUNTIME_DIR when it is private, else the per-user scratch folder.
    static QString defaultFolder();
    // Asks the instance listening in folder to show its view. True when it confirmed within
    // replyWaitMs; with replyWaitMs 0, true as soon as the request is written.
    static bool notifyRunning(int replyWaitMs = 1000);
    static bool notifyRunningIn(const QString& folder, int replyWaitMs = 1000);

private:
    struct Peer {
        QSocketNotifier* notifier = nullptr;
        QTimer* timer = nullptr;
        QByteArray request;
        UniqueFd fd;  // the map's key; closed when the peer is erased, after its notifier
    };
    void acceptPeers();
    void readPeer(int fd);
    void dropPeer(int fd);
    void answer(int fd, const QByteArray& request);

    QString m_folder;
    UniqueFd m_fd;
    unsigned long m_inode = 0;  // of the socket we bound, so we remove only our own
    QSocketNotifier* m_listener = nullptr;
    QPointer<QObject> m_receiver;
    std::map<int, Peer> m_peers;
    int m_peerTimeoutMs = 2000;
};

}  // namespace platform
