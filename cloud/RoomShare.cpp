#include "RoomShare.h"

#include "NetInterfaces.h"
#include "QrViewPort.h"
#include "RoomLink.h"
#include "RoomServer.h"
#include "ShareHost.h"

#include "lang/TextIds.h"
#include "platform/CallSink.h"
#include "platform/Log.h"
#include "platform/UniqueFd.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace cloud {

namespace {

// Opens the exported file once; the server reads nothing else.
platform::UniqueFd openExport(const QString& path, std::int64_t* size) {
    platform::UniqueFd fd(::open(QFile::encodeName(path).constData(),
                                 O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY));
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        platform::log::failure(platform::log::share(), "Opening the PDF to share: " + path,
                               fd ? (errno != 0 ? errno : EINVAL) : errno);
        return {};
    }
    *size = st.st_size;
    return fd;
}

// A wildcard of the family the addresses need: IPv4 alone, or IPv6 (which takes IPv4 too).
std::string listenHost(const QStringList& addresses) {
    for (const QString& a : addresses)
        if (a.contains(':')) return "::";
    return "0.0.0.0";
}

}  // namespace

RoomShare::RoomShare(ShareHost& host, platform::CallSink& ui, RoomSettings settings,
                     AddressSource addresses)
    : m_host(host),
      m_ui(ui),
      m_settings(settings),
      m_addresses(std::move(addresses)),
      m_lifetime(settings.linger) {
    m_timer.setInterval(1000);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
}

RoomShare::~RoomShare() {
    m_timer.stop();
    m_server.reset();
}

RoomShare::AddressSource RoomShare::systemAddressSource() {
    return [] { return chooseAddresses(systemAddresses(), systemDefaultRoutes()); };
}

int RoomShare::ShareThread() {
    m_exported = false;
    m_fetched = 0;
    QString folder;
    QString fileName;
    // As in the cloud share, a failed export leaves the view open and blank.
    if (!m_host.exportPdf(&folder, &fileName)) return kExportFailed;
    m_exported = true;

    std::int64_t size = 0;
    platform::UniqueFd file = openExport(folder + fileName, &size);
    if (!file) {
        report(text::kRoomFailed);
        return kNotServed;
    }
    const QStringList addresses = m_addresses();
    if (addresses.isEmpty()) {
        platform::log::failure(platform::log::share(), "Sharing in the room",
                               "no network address the phones could reach");
        report(text::kRoomNoNetwork);
        return kNoNetwork;
    }
    const auto token = RoomLink::newToken();
    if (!token) {
        platform::log::failure(platform::log::share(), "A token for the room share", errno);
        report(text::kRoomFailed);
        return kNotServed;
    }
    platform::CallSink* ui = &m_ui;
    std::atomic<int>* fetched = &m_fetched;
    std::weak_ptr<int> alive = m_alive;
    auto server = std::make_unique<RoomServer>(
        std::move(file), size, RoomLink(*token, fileName), [this, ui, fetched, alive](int n) {
            *fetched = n;
            ui->post([this, alive] {
                if (!alive.expired()) showStatus();
            });
        });
    if (!server->start(listenHost(addresses), m_settings.port)) {
        report(text::kRoomPortUnavailable);
        return kPortUnavailable;
    }
    bool shown = false;
    // When the program closes first, the server goes here, on the worker.
    m_ui.call([&] { shown = present(server, addresses); });
    return shown ? kServing : kNotServed;
}

int RoomShare::endAfterError() {
    if (!m_exported) return kExportFailed;
    report(text::kRoomFailed);
    return kNotServed;
}

bool RoomShare::present(std::unique_ptr<RoomServer>& server, const QStringList& addresses) {
    m_server = std::move(server);
    m_shownAddresses = addresses;
    m_current = 0;
    m_lifetime = RoomLifetime(m_settings.linger);
    const QString link = currentLink();
    QrViewPort& view = m_host.qrView();
    if (!view.ShowLink(link, m_host.storeFolder() + "QR.bmp")) {
        platform::log::failure(platform::log::share(), "No QR code for the link",
                               QStringLiteral("%1 characters").arg(link.size()));
        m_server.reset();
        m_host.showMessage(m_host.text(text::kRoomFailed), m_host.text(text::kCaption));
        view.hideView();
        return false;
    }
    view.showLinkText(link);
    std::weak_ptr<int> alive = m_alive;
    view.showAddresses(addresses, 0, [this, alive](int index) {
        if (!alive.expired()) chooseAddress(index);
    });
    showStatus();
    m_timer.start();
    return true;
}

void RoomShare::report(int textId) {
    m_ui.call([this, textId] {
        m_host.showMessage(m_host.text(textId), m_host.text(text::kCaption));
        m_host.qrView().hideView();
    });
}

void RoomShare::stop() {
    m_timer.stop();
    if (!m_server) return;
    m_server.reset();
    m_shownAddresses.clear();
    QrViewPort& view = m_host.qrView();
    view.showAddresses({}, 0, {});
    view.showRoomStatus({});
}

void RoomShare::chooseAddress(int index) {
    if (!m_server || index < 0 || index >= m_shownAddresses.size() || index == m_current) return;
    m_current = index;
    const QString link = currentLink();
    QrViewPort& view = m_host.qrView();
    if (view.ShowLink(link, m_host.storeFolder() + "QR.bmp")) view.showLinkText(link);
}

bool RoomShare::serving() const {
    return m_server != nullptr && m_server->listening();
}

int RoomShare::port() const {
    return m_server ? m_server->port() : 0;
}

QString RoomShare::currentLink() const {
    if (!m_server || m_shownAddresses.isEmpty()) return {};
    return m_server->link().url(m_shownAddresses.at(m_current), m_server->port());
}

void RoomShare::tick() {
    if (!m_server) return;
    if (!m_lifetime.update(m_host.qrView().isShown(), QDateTime::currentDateTime())) {
        qCDebug(platform::log::share) << "Room share's time is over";
        stop();
        return;
    }
    showStatus();
}

void RoomShare::showStatus() {
    if (!m_server) return;
    const QDateTime until = m_lifetime.closesAt(QDateTime::currentDateTime());
    m_host.qrView().showRoomStatus(
        m_host.text(text::kRoomOpenUntil).arg(until.toString("HH:mm")) + "\n" +
        m_host.text(text::kRoomDownloads).arg(m_fetched.load()));
}

}  // namespace cloud
