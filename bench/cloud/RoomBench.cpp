// The share in the room against the cloud share: the time from the share key to a QR code
// written and shown (the cloud through ostrely-cloud on loopback), and 30 phones fetching a
// 20 MB PDF at once while the user-interface thread redraws at 60 Hz (its frames per second
// are the counter to watch). Run by hand (see README).
#include "cloud/CloudConfig.h"
#include "cloud/QrBitmap.h"
#include "cloud/QrViewPort.h"
#include "cloud/RoomLink.h"
#include "cloud/RoomServer.h"
#include "cloud/ShareController.h"
#include "cloud/ShareHost.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

using namespace cloud;

namespace {

void writeFile(const QString& path, qint64 size) {
    std::mt19937 rng(7);
    QByteArray bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write("%PDF-1.4\n");
    f.write(bytes);
}

// Writes the code as the real view does; counts links shown.
class BenchView : public QrViewPort {
public:
    void showBlank() override {}
    void hidePicture() override {}
    void showProgress(std::int64_t) override {}
    void setProgress(std::int64_t) override {}
    bool ShowLink(const QString& link, const QString& path) override {
        ++shown;
        return WriteQrBitmap(link.toUtf8(), path);
    }
    void hideView() override {}
    int shown = 0;
};

class BenchHost : public ShareHost {
public:
    explicit BenchHost(QString folder) : m_folder(std::move(folder)) {}
    // A PDF of a typical lesson's size, already written: both modes pay the same export.
    bool exportPdf(QString* folder, QString* fileName) override {
        *folder = m_folder;
        *fileName = "2026120909.pdf";
        return true;
    }
    QObject* uiContext() override { return qApp; }
    QString text(int) const override { return QStringLiteral("%1"); }
    void showMessage(const QString&, const QString&) override {}
    QrViewPort& qrView() override { return view; }
    QString storeFolder() const override { return m_folder; }
    BenchView view;

private:
    QString m_folder;
};

void runShare(benchmark::State& state, ShareController& share, BenchHost& host) {
    for (auto _ : state) {
        const int before = host.view.shown;
        share.start();
        while (share.running()) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QCoreApplication::processEvents();
        if (host.view.shown != before + 1) state.SkipWithError("no QR code");
    }
}

void BM_KeyToQrRoom(benchmark::State& state) {
    QTemporaryDir dir;
    writeFile(dir.filePath("2026120909.pdf"), 3'000'000);
    BenchHost host(dir.path() + "/");
    ShareController share(host, CloudConfig("cloud.ostrely.example", "https://x.example"),
                          ShareMode::Room, RoomSettings{},
                          [] { return QStringList{"127.0.0.1"}; });
    runShare(state, share, host);
}
BENCHMARK(BM_KeyToQrRoom)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_KeyToQrCloud(benchmark::State& state) {
    QProcess server;
    server.start(QStringLiteral(OSTRELY_BIN_DIR "/ostrely-cloud"), {});
    server.waitForReadyRead(5000);
    const auto m = QRegularExpression(":(\\d+)").match(QString::fromUtf8(server.readAll()));
    if (!m.hasMatch()) {
        state.SkipWithError("ostrely-cloud did not start");
        return;
    }
    QTemporaryDir dir;
    writeFile(dir.filePath("2026120909.pdf"), 3'000'000);
    BenchHost host(dir.path() + "/");
    ShareController share(host,
                          CloudConfig("localhost:" + m.captured(1), "http://127.0.0.1:" + m.captured(1)));
    runShare(state, share, host);
    server.kill();
    server.waitForFinished();
}
BENCHMARK(BM_KeyToQrCloud)->Unit(benchmark::kMillisecond)->UseRealTime();

// One phone: the whole file over a fresh connection; the bytes received.
qint64 fetch(int port, const std::string& target) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    qint64 got = 0;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
        const std::string req = "GET " + target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
        ::send(fd, req.data(), req.size(), MSG_NOSIGNAL);
        char buffer[65536];
        ssize_t n;
        while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) got += n;
    }
    ::close(fd);
    return got;
}

void BM_ThirtyPhonesFetch20MB(benchmark::State& state) {
    constexpr int kPhones = 30;
    constexpr qint64 kSize = 20'000'000;
    QTemporaryDir dir;
    const QString path = dir.filePath("2026120909.pdf");
    writeFile(path, kSize);
    platform::UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    const qint64 size = QFileInfo(path).size();
    RoomServer server(std::move(fd), size, RoomLink(*RoomLink::newToken(), "2026120909.pdf"));
    server.start("127.0.0.1", 0);
    const std::string target = server.link().target();

    // A stand-in for the window: a 60 Hz timer that paints a frame each time it fires.
    QImage frame(1280, 720, QImage::Format_RGB32);
    int frames = 0;
    QTimer redraw;
    redraw.setTimerType(Qt::PreciseTimer);
    QObject::connect(&redraw, &QTimer::timeout, [&] {
        QPainter p(&frame);
        p.fillRect(frame.rect(), QColor::fromRgb(frames * 7 % 255, 40, 90));
        ++frames;
    });
    // The same redraws without downloads first: what this machine gives when nothing is served.
    {
        QElapsedTimer idle;
        idle.start();
        redraw.start(16);
        while (idle.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        redraw.stop();
        state.counters["idle_redraws_per_s"] = frames / (idle.nsecsElapsed() / 1e9);
    }
    double fps = 0;
    double longestGapMs = 0;
    qint64 bytes = 0;
    for (auto _ : state) {
        frames = 0;
        std::atomic<int> done{0};
        std::atomic<qint64> received{0};
        std::vector<std::thread> phones;
        QElapsedTimer clock;
        clock.start();
        redraw.start(16);
        for (int i = 0; i < kPhones; ++i)
            phones.emplace_back([&] {
                received += fetch(server.port(), target);
                ++done;
            });
        qint64 last = clock.nsecsElapsed();
        int seen = 0;
        while (done.load() < kPhones) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (frames != seen) {
                seen = frames;
                const qint64 now = clock.nsecsElapsed();
                longestGapMs = std::max(longestGapMs, (now - last) / 1e6);
                last = now;
            }
        }
        redraw.stop();
        for (auto& t : phones) t.join();
        fps = frames / (clock.nsecsElapsed() / 1e9);
        bytes += received.load();
        if (received.load() < kPhones * size) state.SkipWithError("a phone got less than the file");
    }
    state.SetBytesProcessed(bytes);
    state.counters["redraws_per_s"] = fps;
    state.counters["longest_gap_ms"] = longestGapMs;
}
BENCHMARK(BM_ThirtyPhonesFetch20MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
