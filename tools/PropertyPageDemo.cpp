// ostrely-property-demo: the video property page beside the simulated camera's live picture.
// Takes a screenshot, raises the brightness with two page steps on its trackbar, takes another,
// and compares how bright the picture is in both. For a look under Xvfb.
//   ostrely-property-demo BEFORE.png AFTER.png
#include "app/LanguagePack.h"
#include "camera/Camera.h"
#include "camera/sdk/SdkFactory.h"
#include "camera/ui/PageProperty.h"
#include "camera/ui/VideoWindow.h"
#include "platform/Folders.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double meanGray(const QImage& image, const QRect& area) {
    double sum = 0;
    long n = 0;
    for (int y = area.top(); y <= area.bottom(); y += 2)
        for (int x = area.left(); x <= area.right(); x += 2, ++n) sum += qGray(image.pixel(x, y));
    return n > 0 ? sum / double(n) : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: ostrely-property-demo BEFORE.png AFTER.png\n", stderr);
        return 2;
    }
    QTemporaryDir scratch;
    LanguagePack pack;
    int error = 0;
    pack.load(platform::folderOf(platform::executablePath()) + "/Qvlang/en_US.so", error);

    CameraServices services;
    services.makeSdk = [](const QString&) { return camera::sdk::SdkFactory::create("sim"); };
    services.tempFolder = [&] { return scratch.path(); };
    services.commonAppDataFolder = [&] { return scratch.path(); };
    CCamera cam(services);
    cam.Init();
    camera::CVideoWindow view;
    view.setWindowTitle("Simulated camera");
    view.setGeometry(20, 40, 640, 480);
    view.show();
    cam.OpenCameras(&view, nullptr, camera::DisplayRect{0, 0, 640, 480}, false);
    view.setGeometry(20, 40, 640, 480);

    CPageProperty page(
        cam, [&](int id) { return pack.text(id, 255); }, [] { return false; });
    page.move(700, 60);
    page.show();
    wait(1500);

    const QRect area(view.geometry().adjusted(40, 40, -40, -40));
    QScreen* screen = QGuiApplication::primaryScreen();
    const QImage before = screen->grabWindow(0).toImage();
    before.save(QString::fromLocal8Bit(argv[1]));

    QSlider* brightness = page.trackbar(0);
    for (int i = 0; i < 2; ++i) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_PageUp, Qt::NoModifier);
        QApplication::sendEvent(brightness, &key);
    }
    wait(1500);
    const QImage after = screen->grabWindow(0).toImage();
    after.save(QString::fromLocal8Bit(argv[2]));

    const double b = meanGray(before, area), a = meanGray(after, area);
    std::printf("brightness setting %d; picture mean grey before %.1f, after %.1f\n",
                brightness->value(), b, a);
    cam.CloseCameras();
    return a > b + 5 ? 0 : 1;
}
