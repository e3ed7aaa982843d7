// piclist-demo: the picture list on the simulated camera and button board, without the main
// window. Every board key takes a picture that the list then shows; the list's own buttons
// work as in the program. For looking at the list under X and for the end-to-end check.
// OSTRELY_CAMERA=sim OSTRELY_BOARD=sim piclist-demo PROGRAM_FOLDER
#include "app/QuilletApp.h"
#include "app/AppUi.h"
#include "camera/ui/VideoWindow.h"
#include "device/DeviceManager.h"
#include "lang/TextIds.h"
#include "pictures/PicListHost.h"
#include "pictures/ui/PicListView.h"
#include "platform/Clock.h"
#include "platform/Message.h"
#include "platform/MessageIds.h"
#include "platform/hid/HidBackend.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include <cstdio>
#include <memory>

namespace {

class DemoUi : public AppUi {
public:
    int messageBox(const QString& text, const QString& caption, unsigned type, const QString& ok,
                   const QString& cancel) override {
        return platform::showMessageBox(text, caption, type, ok, cancel);
    }
    void runMainDialog(CQuilletApp&) override {}
};

// The capture road of the main window and what the list needs of it.
class DemoWindow : public QWidget, public pictures::PicListHost {
public:
    explicit DemoWindow(CQuilletApp& app) : m_app(app), m_hid(platform::hid::createHidBackend()) {
        setWindowTitle("piclist-demo");
        m_app.registerMainDialog(this, nullptr);
        resize(480, 360);
        m_video = new camera::CVideoWindow(this);
        m_video->setGeometry(rect());
        m_app.camera().OpenCameras(m_video, nullptr, {0, 0, width(), height()}, false);
        m_devices = std::make_unique<DeviceManager>(this, *m_hid.transport,
                                                    platform::SystemClock::instance());
        m_devices->EnumDevices();
        m_devices->StartReadingThread();
        if (m_hid.monitor) m_hid.monitor->start(this);
        m_list = new CPicListView(*this, this);
    }
    ~DemoWindow() override {
        if (m_devices) m_devices->Shutdown();
        m_app.camera().waitForCaptures();
        m_app.camera().CloseCameras();
        m_app.unregisterMainDialog(this);
    }
    CPicListView& list() { return *m_list; }

    QString text(int id) const override { return m_app.SetText(id); }
    int ShowMessage(const QString& t, const QString& caption, unsigned type) override {
        return m_app.ShowMessage(t, caption, type);
    }
    void ShowMessageOnce(int id) override {
        if (m_boxOpen) return;
        m_boxOpen = true;
        m_app.ShowMessage(m_app.SetText(id), m_app.SetText(text::kCaption), 0x1000);
        m_boxOpen = false;
    }
    const camera::PictureStore& pictureStore() const override { return m_app.camera().store(); }
    QObject* mainWindow() const override { return const_cast<DemoWindow*>(this); }
    bool pictureShown() const override { return false; }
    void ChangeToCapture() override {}
    void ShowView(bool show) override { setVisible(show); }
    void clearPenStrokesIfDrawing() override {}
    bool whiteboardRunning() const override { return CQuilletApp::WhiteboardRunning(); }
    void ReadBoardInstallPath() override { m_app.ReadBoardInstallPath(); }
    void RunBoardRelay(const QString& p) override { m_app.RunBoardRelay(p); }
    bool boardLinked() const override { return m_app.boardLinkFlag() != 0; }
    void setBoardLinked(bool on) override { m_app.setBoardLinkFlag(on ? 1 : 0); }
    bool linkDeclined() const override { return m_declined; }
    void setLinkDeclined(bool on) override { m_declined = on; }
    QSize screenSize() const override {
        const QScreen* s = QGuiApplication::primaryScreen();
        return s != nullptr ? s->size() * s->devicePixelRatio() : QSize();
    }
    double screenDpi() const override {
        const QScreen* s = QGuiApplication::primaryScreen();
        return s != nullptr ? s->logicalDotsPerInch() * s->devicePixelRatio() : 0;
    }

protected:
    bool event(QEvent* e) override {
        if (const auto* m = platform::asMessage(e, msg::kKey)) {
            if (!m_busy) {
                m_busy = true;
                m_app.camera().TakePic(0);
            }
            return true;
        }
        if (const auto* m = platform::asMessage(e, msg::kPictureReady)) {
            const msg::PictureReady ready = msg::pictureReadyOf(*m);
            m_busy = false;
            if (ready.number > 0 && !(ready.tag == 0 && m_list->HandOffNewPicture(ready.number)))
                std::printf("picture %d\n", ready.number);
            if (ready.number > 0)
                platform::postMessage(m_list, msg::kPictureAdded,
                                      static_cast<quintptr>(ready.number), 0);
            std::fflush(stdout);
            return true;
        }
        if (const auto* m = platform::asMessage(e, msg::kShowPicture)) {
            std::printf("show %d\n", msg::pictureNumberOf(*m));
            std::fflush(stdout);
            return true;
        }
        return QWidget::event(e);
    }

private:
    CQuilletApp& m_app;
    platform::hid::HidBackend m_hid;
    camera::CVideoWindow* m_video = nullptr;
    std::unique_ptr<DeviceManager> m_devices;
    CPicListView* m_list = nullptr;
    bool m_busy = false;
    bool m_boxOpen = false;
    bool m_declined = false;
};

// Screen centres of the list's controls, for a driver such as xdotool.
void printControls(CPicListView& list) {
    for (const int id : {int(CPicListView::kSelectAll), int(CPicListView::kExport),
                         int(CPicListView::kDelete), int(CPicListView::kImport)}) {
        const QWidget* w = list.findChild<QWidget*>(QString::number(id));
        const QPoint c = w->mapToGlobal(w->rect().center());
        std::printf("control %d %d %d\n", id, c.x(), c.y());
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    DemoUi ui;
    CQuilletApp app(ui);
    if (argc > 1) app.setExecutablePath(QString::fromLocal8Bit(argv[1]) + "/Ostrely");
    app.LoadLanguage("en_US");
    if (!app.camera().Init() || app.camera().CameraCount() == 0) {
        std::fprintf(stderr, "piclist-demo: no camera\n");
        return 1;
    }
    DemoWindow window(app);
    window.move(0, 0);
    window.show();
    window.list().move(520, 0);
    window.list().show();
    QApplication::processEvents();
    printControls(window.list());
    return QApplication::exec();
}
