// Exporting 50 pictures of 1600 × 1200 (about 190 KB each, as the camera stores them) to one PDF,
// against Debian's img2pdf on the same files in the same run. Both copy the JPEG data as it is.
// Run: build/bench/pictures_bench [pictures] [rounds]
#include "camera/PictureStore.h"
#include "pictures/PdfExport.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr qint64 kTargetBytes = 190 * 1024;

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

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 7;

    QTemporaryDir dir;
    camera::PictureStore store(dir.path());
    store.prepare();
    std::vector<int> numbers;
    QStringList files;
    qint64 total = 0;
    const QImage first = boardPicture(1);
    const int quality = qualityFor(first);
    for (int n = 1; n <= count; ++n) {
        (n == 1 ? first : boardPicture(n)).save(store.picturePath(n), "JPG", quality);
        numbers.push_back(n);
        files << store.picturePath(n);
        total += QFile(store.picturePath(n)).size();
    }
    std::printf("%d pictures of 1600 x 1200, %lld KB each on average (JPEG quality %d)\n", count,
                total / count / 1024, quality);

    const pictures::PdfExport exporter(
        store, [](const QByteArray& text) { std::fputs(text.constData(), stderr); });
    std::vector<double> ours, theirs;
    for (int round = 0; round < rounds; ++round) {
        QString folder = dir.path() + "/", name = "ours.pdf";
        QElapsedTimer timer;
        timer.start();
        if (!exporter.ExportPdf(folder, name, numbers)) return 1;
        ours.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);

        timer.start();
        const int code =
            QProcess::execute("img2pdf", QStringList(files) << "-o" << dir.path() + "/img2pdf.pdf");
        theirs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (code != 0) {
            std::fprintf(stderr, "img2pdf failed (%d)\n", code);
            return 1;
        }
    }
    const double a = median(ours), b = median(theirs);
    std::printf("median of %d rounds: ExportPdf %.1f ms (%lld KB), img2pdf %.1f ms (%lld KB)\n",
                rounds, a, QFile(dir.path() + "/ours.pdf").size() / 1024, b,
                QFile(dir.path() + "/img2pdf.pdf").size() / 1024);
    std::printf("ratio img2pdf / ExportPdf: %.2f (above 1: ExportPdf is faster)\n", b / a);
    return 0;
}
