#pragma once
// A picture store of its own for each test, pictures written into it as the capture writes them,
// and the independent PDF tools that check what an export wrote.
#include "camera/PictureImaging.h"
#include "camera/PictureStore.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSize>
#include <QStringList>

namespace picturetest {

// Four flat quadrants and a bar: easy to recognise after JPEG and a PDF renderer.
inline QImage testPicture(QSize size, int seed) {
    QImage image(size, QImage::Format_RGB888);
    const int w = size.width(), h = size.height();
    QPainter p(&image);
    p.fillRect(0, 0, w / 2, h / 2, QColor(200, 40 + seed * 20, 40));
    p.fillRect(w / 2, 0, w - w / 2, h / 2, QColor(40, 180, 60 + seed * 10));
    p.fillRect(0, h / 2, w / 2, h - h / 2, QColor(30, 60, 200));
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, QColor(240, 240, 230));
    p.fillRect(w / 8, h / 8, w / 4, h / 16, Qt::black);
    return image;
}

struct ToolResult {
    int exitCode = -1;
    QString out;
};

inline ToolResult runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000)) return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

class PictureFixture : public ::testing::Test {
protected:
    PictureFixture() : store(tmp.path()) { store.prepare(); }

    // Picture n as the capture leaves it: the JPEG and its 180 × 180 thumbnail.
    void writePicture(int n, QSize size) {
        const QImage image = testPicture(size, n);
        ASSERT_TRUE(image.save(store.picturePath(n), "JPG"));
        ASSERT_TRUE(camera::PictureImaging::thumbnail(image).save(store.thumbnailPath(n), "BMP"));
    }

    void writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        f.write(bytes);
    }
    static QByteArray readFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // What qpdf and pdfinfo see in a PDF.
    static bool qpdfAccepts(const QString& pdf) {
        return runTool("qpdf", {"--check", pdf}).exitCode == 0;
    }
    static int pageCount(const QString& pdf) {
        const QString out = runTool("pdfinfo", {pdf}).out;
        for (const QString& line : out.split('\n'))
            if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
        return -1;
    }
    // Page sizes in points, "WxH", in page order.
    static QStringList pageSizes(const QString& pdf) {
        const QString out = runTool("pdfinfo", {"-f", "1", "-l", "1000", pdf}).out;
        QStringList sizes;
        for (const QString& line : out.split('\n')) {
            if (!line.startsWith("Page") || !line.contains(" size:")) continue;
            const QStringList words = line.section(':', 1).simplified().split(' ');
            if (words.size() >= 3) sizes << words[0] + 'x' + words[2];
        }
        return sizes;
    }

    // Page objects in page order ("5 0 R", ...).
    static QStringList pageObjects(const QString& pdf) {
        const auto json = QJsonDocument::fromJson(
            runTool("qpdf", {"--json", "--json-key=pages", pdf}).out.toUtf8());
        QStringList objects;
        for (const QJsonValue& page : json["pages"].toArray()) objects << page["object"].toString();
        return objects;
    }
    // The document's open action as written, e.g. "[ 11 0 R /XYZ 0 768 1 ]".
    static QString openAction(const QString& pdf) {
        const QString trailer = runTool("qpdf", {"--show-object=trailer", pdf}).out;
        const QString root = QRegularExpression("/Root (\\d+) 0 R").match(trailer).captured(1);
        const QString catalog = runTool("qpdf", {"--show-object=" + root, pdf}).out;
        const auto ref = QRegularExpression("/OpenAction (\\d+) 0 R").match(catalog);
        if (!ref.hasMatch())
            return QRegularExpression("/OpenAction (\\[[^\\]]*\\])").match(catalog).captured(1);
        return runTool("qpdf", {"--show-object=" + ref.captured(1), pdf})
            .out.section('\n', 0, 0)
            .trimmed();
    }
    // Page `page` (from 1) drawn at one pixel per point.
    QImage renderPage(const QString& pdf, int page) const {
        const QString prefix = tmp.file("render");
        const QString n = QString::number(page);
        runTool("pdftoppm", {"-r", "72", "-f", n, "-l", n, "-singlefile", "-png", pdf, prefix});
        return QImage(prefix + ".png");
    }

    testsupport::TempDir tmp;
    camera::PictureStore store;
};

}  // namespace picturetest
