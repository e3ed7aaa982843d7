// ostrely-share-demo: one whole share without the main window. Three pictures go into a PDF,
// the PDF goes to the cloud the environment names (OSTRELY_CLOUD_HOST, OSTRELY_STORAGE_HOST),
// and the QR code view shows the link. Prints "link: URL" and keeps the view up for --hold-ms.
// The PDF here is a stand-in written with Qt; the program shares through its picture list.
#include "cloud/CloudConfig.h"
#include "cloud/ShareController.h"
#include "cloud/ShareHost.h"
#include "cloud/ui/QRCodeView.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QTimer>

#include <cstdio>

namespace {

// Says which link it shows, so a script can fetch it.
class DemoView : public cloud::QRCodeView {
public:
    bool ShowLink(const QString& link, const QString& imagePath) override {
        std::printf("link: %s\n", link.toUtf8().constData());
        std::fflush(stdout);
        return QRCodeView::ShowLink(link, imagePath);
    }
};

class DemoHost : public cloud::ShareHost {
public:
    DemoHost(QString folder, cloud::QRCodeView& view) : m_folder(std::move(folder)), m_view(view) {}

    bool exportPdf(QString* folder, QString* fileName) override {
        *folder = m_folder;
        *fileName = QDateTime::currentDateTime().toString("yyyyMMddhh") + ".pdf";
        QPdfWriter pdf(*folder + *fileName);
        pdf.setResolution(72);
        pdf.setPageSize(QPageSize(QSizeF(800, 600), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter p(&pdf);
        for (int page = 1; page <= 3; ++page) {
            if (page > 1) pdf.newPage();
            QImage img(800, 600, QImage::Format_RGB32);
            img.fill(QColor(240, 240, 230));
            QPainter ip(&img);
            ip.setFont(QFont("DejaVu Sans", 60));
            ip.drawText(img.rect(), Qt::AlignCenter, QString("Board %1").arg(page));
            ip.end();
            p.drawImage(QRect(0, 0, 800, 600), img);
        }
        return p.end();
    }
    QObject* uiContext() override { return qApp; }
    QString text(int id) const override { return QString("message %1").arg(id); }
    void showMessage(const QString& text, const QString& caption) override {
        std::printf("message: %s\n", text.toUtf8().constData());
        std::fflush(stdout);
        QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok);
        QTimer::singleShot(1500, &box, &QMessageBox::accept);
        box.exec();
    }
    cloud::QrViewPort& qrView() override { return m_view; }
    QString storeFolder() const override { return m_folder; }

private:
    QString m_folder;
    cloud::QRCodeView& m_view;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int holdMs = 4000;
    QString folder = QDir::tempPath() + "/ostrely-share-demo/";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (QString(argv[i]) == "--hold-ms")
            holdMs = QString(argv[i + 1]).toInt();
        else if (QString(argv[i]) == "--folder")
            folder = QString(argv[i + 1]) + "/";
    }
    QDir().mkpath(folder);
    DemoView view;
    DemoHost host(folder, view);
    cloud::ShareController share(host, cloud::CloudConfig::fromEnvironment());
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (share.running()) return;
        poll.stop();
        QTimer::singleShot(holdMs, &app, &QApplication::quit);
    });
    QTimer::singleShot(0, [&] {
        share.start();
        poll.start(20);
    });
    const int rc = app.exec();
    return share.lastResult() == 4 ? rc : 1;
}
