// The PDF export of many camera pictures (1600 × 1200, about 190 KB each, as the camera stores
// them): its peak memory, measured in a process of its own, against Debian's img2pdf (and the
// export through libharu the program used before) in the same run; its time; and how the window
// keeps drawing while the export runs beside it.
// Run: build/bench/pictures_bench [pictures] [rounds]
#include "camera/PictureStore.h"
#include "pictures/ExportRunner.h"
#include "pictures/PdfExport.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <fcntl.h>
#include <hpdf.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

extern char** environ;

namespace {

constexpr qint64 kTargetBytes = 190 * 1024;
// Distinct pictures made; the others are copies of them, as large and as costly to export.
constexpr int kDistinct = 20;

// Writing on a board: a light ground, strokes and some sensor noise, so the JPEG is as large as
// the camera's.
QImage boardPicture(int seed) {
    QImage image(1600, 1200, QImage::Format_RGB888);
    image.fill(QColor(226, 230, 224));
    QRandomGenerator random(static_cast<quint32>(seed));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 400; ++i) {
        p.setPen(QPen(QColor(20 + random.bounded(60), 30 + random.bounded(60), 90), 3));
        const QPoint a(random.bounded(1600), random.bounded(1200));
        p.drawLine(a, a + QPoint(random.bounded(-120, 120), random.bounded(-60, 60)));
    }
    p.end();
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < image.width() * 3; ++x)
            line[x] = static_cast<uchar>(std::clamp(line[x] + random.bounded(-9, 10), 0, 255));
    }
    return image;
}

// The JPEG quality that gives about the camera's file size.
int qualityFor(const QImage& image) {
    int low = 5, high = 100;
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG", mid);
        if (bytes.size() <= kTargetBytes)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::vector<int> firstNumbers(int count) {
    std::vector<int> numbers;
    for (int n = 1; n <= count; ++n) numbers.push_back(n);
    return numbers;
}

// The export as the program did it before: libharu keeps every JPEG in memory until it saves.
bool libharuExport(const camera::PictureStore& store, int count, const QByteArray& out) {
    HPDF_Doc doc = HPDF_New(nullptr, nullptr);
    if (doc == nullptr) return false;
    HPDF_SetCompressionMode(doc, HPDF_COMP_ALL);
    bool ok = true;
    for (int n = 1; n <= count && ok; ++n) {
        const QByteArray path = QFile::encodeName(store.picturePath(n));
        HPDF_Image image = HPDF_LoadJpegImageFromFile(doc, path.constData());
        ok = image != nullptr;
        if (!ok) break;
        HPDF_Page page = HPDF_AddPage(doc);
        HPDF_Page_SetWidth(page, static_cast<HPDF_REAL>(HPDF_Image_GetWidth(image)));
        HPDF_Page_SetHeight(page, static_cast<HPDF_REAL>(HPDF_Image_GetHeight(image)));
        HPDF_Page_DrawImage(page, image, 0, 0, static_cast<HPDF_REAL>(HPDF_Image_GetWidth(image)),
                            static_cast<HPDF_REAL>(HPDF_Image_GetHeight(image)));
    }
    ok = ok && HPDF_SaveToFile(doc, out.constData()) == HPDF_OK;
    HPDF_Free(doc);
    return ok;
}

// A line of /proc/self/status in KB ("VmHWM", "VmRSS").
long statusKb(const char* key) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).simplified().split(' ')[0].toLong();
    return -1;
}

// Child process: one export of the first `count` pictures of the store under `folder`. Prints
// the resident memory before it and the peak during it, in KB; the peak of the process's
// start-up is forgotten first, so only the export's own shows.
int exportChild(const char* how, const char* folder, int count) {
    const camera::PictureStore store(QString::fromLocal8Bit(folder));
    const pictures::PdfExport exporter(store, [](const QByteArray&) {});
    QString dir = QString::fromLocal8Bit(folder) + "/", name = "child.pdf";
    const std::vector<int> numbers = firstNumbers(count);
    const int clear = ::open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC);
    const bool cleared = clear >= 0 && ::write(clear, "5", 1) == 1;
    if (clear >= 0) ::close(clear);
    if (!cleared) return 2;
    const long before = statusKb("VmRSS");
    const bool ok = std::strcmp(how, "libharu") == 0
                        ? libharuExport(store, count, QFile::encodeName(dir + name))
                        : exporter.ExportPdf(dir, name, numbers);
    std::printf("%ld %ld\n", before, statusKb("VmHWM"));
    return ok ? 0 : 1;
}

// Peak resident memory of a process run to its end, in KB; -1 when it failed. Its standard
// output goes to `out` when given.
long peakKb(std::vector<std::string> args, const char* out = "/dev/null") {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, out, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) return -1;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

// The export's own memory, from a child process: resident before it, and its peak.
struct ExportMemory {
    long before = -1;
    long peak = -1;
};

ExportMemory childExport(const std::string& self, const char* how, const std::string& folder,
                         int count) {
    const std::string out = folder + "/child-memory.txt";
    ExportMemory m;
    if (peakKb({self, "--child", how, folder, std::to_string(count)}, out.c_str()) < 0) return m;
    QFile f(QString::fromStdString(out));
    if (!f.open(QIODevice::ReadOnly)) return m;
    const QList<QByteArray> words = f.readAll().simplified().split(' ');
    if (words.size() == 2) m = {words[0].toLong(), words[1].toLong()};
    return m;
}

// A window that redraws as often as it may; the gaps between its frames while an export runs.
class RedrawingWindow : public QWidget {
public:
    RedrawingWindow() {
        resize(320, 240);
        connect(&m_timer, &QTimer::timeout, this, [this] { update(); });
        m_timer.start(5);
        m_clock.start();
    }
    void restart() {
        m_frames = 0;
        m_longestGap = 0;
        m_last = m_clock.elapsed();
    }
    int frames() const { return m_frames; }
    qint64 longestGap() const { return std::max(m_longestGap, m_clock.elapsed() - m_last); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), m_frames % 2 ? Qt::white : Qt::gray);
        const qint64 now = m_clock.elapsed();
        m_longestGap = std::max(m_longestGap, now - m_last);
        m_last = now;
        ++m_frames;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    int m_frames = 0;
    qint64 m_longestGap = 0;
    qint64 m_last = 0;
};

struct Redraws {
    double ms = 0;
    int frames = 0;
    qint64 longestGap = 0;
};

Redraws exportBesideWindow(const pictures::PdfExport& exporter, const QString& folder, int count,
                           bool onWorker) {
    RedrawingWindow window;
    window.show();
    QCoreApplication::processEvents();
    window.restart();
    QElapsedTimer timer;
    timer.start();
    const std::vector<int> numbers = firstNumbers(count);
    if (onWorker) {
        pictures::ExportRunner runner;
        runner.start(
            [&](const pictures::PdfExport::Progress& progress) {
                QString dir = folder, name = "beside.pdf";
                return pictures::ExportRunner::Result{
                    exporter.ExportPdf(dir, name, numbers, nullptr, progress), 0};
            },
            {}, {});
        runner.wait();
    } else {
        QString dir = folder, name = "beside.pdf";
        exporter.ExportPdf(dir, name, numbers);
        QCoreApplication::processEvents();
    }
    return {static_cast<double>(timer.nsecsElapsed()) / 1e6, window.frames(), window.longestGap()};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--child") == 0)
        return exportChild(argv[2], argv[3], std::max(1, atoi(argv[4])));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 500;
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;

    QTemporaryDir dir;
    camera::PictureStore store(dir.path());
    store.prepare();
    QStringList files;
    qint64 total = 0, largest = 0;
    const QImage first = boardPicture(1);
    const int quality = qualityFor(first);
    for (int n = 1; n <= count; ++n) {
        if (n <= kDistinct)
            (n == 1 ? first : boardPicture(n)).save(store.picturePath(n), "JPG", quality);
        else
            QFile::copy(store.picturePath((n - 1) % kDistinct + 1), store.picturePath(n));
        files << store.picturePath(n);
        const qint64 size = QFile(store.picturePath(n)).size();
        total += size;
        largest = std::max(largest, size);
    }
    std::printf(
        "%d pictures of 1600 x 1200, %lld KB on average, the largest %lld KB (JPEG quality "
        "%d)\n",
        count, total / count / 1024, largest / 1024, quality);

    // Memory: each export in a process of its own, once with one picture (the process's own
    // base) and once with all of them.
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const std::string folder = dir.path().toStdString();
    std::printf("the export's peak above the memory it started with, KB (1 picture / %d):\n",
                count);
    for (const char* how : {"streamed", "libharu"}) {
        const ExportMemory one = childExport(self, how, folder, 1);
        const ExportMemory all = childExport(self, how, folder, count);
        const long base = one.peak - one.before, peak = all.peak - all.before;
        // The one-picture export is the fixed base: code and buffers every export needs.
        std::printf(
            "  ExportPdf (%s): %+ld / %+ld, above the base %+ld (bound 1.2 x the largest "
            "picture: %lld) (resident before: %ld KB)\n",
            how, base, peak, peak - base, largest * 12 / 10 / 1024, all.before);
    }
    std::printf("peak resident memory of the whole process, KB (1 picture / %d / growth):\n",
                count);
    for (const char* how : {"streamed", "libharu"}) {
        const long one = peakKb({self, "--child", how, folder, "1"});
        const long all = peakKb({self, "--child", how, folder, std::to_string(count)});
        std::printf("  ExportPdf (%s): %ld / %ld / %+ld\n", how, one, all, all - one);
    }
    const std::string img2pdfOut = folder + "/img2pdf.pdf";
    std::vector<std::string> img2pdfOne{"img2pdf", files[0].toStdString(), "-o", img2pdfOut};
    std::vector<std::string> img2pdfAll{"img2pdf"};
    for (const QString& f : files) img2pdfAll.push_back(f.toStdString());
    img2pdfAll.insert(img2pdfAll.end(), {"-o", img2pdfOut});
    const long one = peakKb(img2pdfOne), all = peakKb(img2pdfAll);
    if (one < 0 || all < 0)
        std::printf("  img2pdf: not run (not installed?)\n");
    else
        std::printf("  img2pdf: %ld / %ld / %+ld\n", one, all, all - one);

    // Time, in this process.
    const pictures::PdfExport exporter(
        store, [](const QByteArray& text) { std::fputs(text.constData(), stderr); });
    std::vector<double> ours, theirs;
    const std::vector<int> numbers = firstNumbers(count);
    for (int round = 0; round < rounds; ++round) {
        QString outFolder = dir.path() + "/", name = "ours.pdf";
        QElapsedTimer timer;
        timer.start();
        if (!exporter.ExportPdf(outFolder, name, numbers)) return 1;
        ours.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        timer.start();
        if (peakKb(img2pdfAll) >= 0)
            theirs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("median of %d rounds: ExportPdf %.1f ms (%lld KB)", rounds, median(ours),
                QFile(dir.path() + "/ours.pdf").size() / 1024);
    if (!theirs.empty())
        std::printf(", img2pdf %.1f ms (%lld KB)", median(theirs),
                    QFile(img2pdfOut.c_str()).size() / 1024);
    std::printf("\n");

    // The window while the export runs: beside it on a worker, and on its own thread as before.
    for (const bool onWorker : {true, false}) {
        const Redraws r = exportBesideWindow(exporter, dir.path() + "/", count, onWorker);
        std::printf("export %s: %.0f ms, window drew %d frames, longest gap %lld ms\n",
                    onWorker ? "on a worker" : "on the window's thread", r.ms, r.frames,
                    r.longestGap);
    }
    return 0;
}
