#include "StandInDialog.h"
#include "platform/MessageIds.h"

#include "app/QuilletApp.h"
#include "camera/CaptureWorker.h"
#include "camera/ui/VideoWindow.h"
#include "device/DeviceManager.h"
#include "platform/Clock.h"
#include "platform/Message.h"

#include <QKeyEvent>
#include <QLabel>

namespace {

constexpr const char* kBoardIds = "VID_0483&PID_5851";
constexpr const char* kCameraIds = "VID_0C45&PID_9102";

}  // namespace

StandInDialog::StandInDialog(CQuilletApp& app)
    : m_app(app), m_hid(platform::hid::createHidBackend()) {
    setWindowTitle("Ostrely");
    setStyleSheet("QDialog { background: black; }");
    setGeometry(app.workArea());
    for (int i = 0; i < 2; ++i) {
        m_video[i] = new camera::CVideoWindow(this);
        m_video[i]->setObjectName(QString::number(1000 + i));
    }
    m_status = new QLabel(this);
    m_status->setStyleSheet("QLabel { background: rgba(0,0,0,160); color: white; padding: 6px; }");
    showStatus(
        "Stand-in window (the main window is not built yet). A board key takes a picture; "
        "Esc quits.");
    m_app.registerMainDialog(this, nullptr);
    openCameras();
    startBoards();
}

StandInDialog::~StandInDialog() {
    shutDown();
    m_app.unregisterMainDialog(this);
}

void StandInDialog::openCameras() {
    const QRect area = m_app.workArea();
    m_app.camera().OpenCameras(m_video[0], m_video[1], {0, 0, area.width(), area.height()},
                               /*pauseAfter=*/false);
}

void StandInDialog::startBoards() {
    m_devices =
        std::make_unique<DeviceManager>(this, *m_hid.transport, platform::SystemClock::instance());
    m_devices->EnumDevices();
    m_devices->StartReadingThread();
    if (m_hid.monitor) m_hid.monitor->start(this);
}

void StandInDialog::shutDown() {
    if (m_shutDown) return;
    m_shutDown = true;
    // Boards first (their thread posts to us), then the captures and streams that draw into us.
    if (m_devices) m_devices->Shutdown();
    m_devices.reset();
    m_app.camera().waitForCaptures();
    m_app.camera().CloseCameras();
}

bool StandInDialog::event(QEvent* e) {
    if (const auto* m = platform::asMessage(e, msg::kKey)) {
        onKey(static_cast<int>(m->wParam), static_cast<int>(m->lParam));
        return true;
    }
    if (const auto* m = platform::asMessage(e, msg::kPictureReady)) {
        onPictureReady(static_cast<int>(m->wParam), static_cast<int>(m->lParam));
        return true;
    }
    if (const auto* m = platform::asMessage(e, msg::kDeviceChange)) {
        onDeviceChange(static_cast<unsigned>(m->wParam), m->text);
        return true;
    }
    return QDialog::event(e);
}

void StandInDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        shutDown();
        accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void StandInDialog::onKey(int board, int keyType) {
    if (m_captureBusy || m_shutDown) return;
    m_captureBusy = true;
    const int number = m_app.camera().TakePic(0);
    showStatus(QStringLiteral("Key %1 on board %2: taking picture %3...")
                   .arg(keyType)
                   .arg(board)
                   .arg(number));
}

void StandInDialog::onPictureReady(int number, int) {
    m_captureBusy = false;
    QString picture, thumbnail;
    if (number > 0 && m_app.camera().PictureExists(number, &picture, &thumbnail))
        showStatus(QStringLiteral("Picture %1 stored: %2").arg(number).arg(picture));
    else
        showStatus("The picture could not be taken.");
}

void StandInDialog::onDeviceChange(unsigned change, const QString& name) {
    if (m_devices && name.contains(kBoardIds, Qt::CaseInsensitive)) {
        if (change == msg::kDeviceArrival) {
            const int count = m_devices->AddDevice(name);
            if (count > 0) m_devices->SendCommandD(count - 1);
        } else if (change == msg::kDeviceRemoveComplete) {
            m_devices->RemoveDevice(name);
        }
        showStatus(QStringLiteral("Button boards: %1").arg(m_devices->GetDeviceCount()));
    } else if (name.contains(kCameraIds, Qt::CaseInsensitive) && !m_captureBusy) {
        m_app.camera().Reinit();
    }
}

void StandInDialog::showStatus(const QString& text) {
    m_status->setText(text);
    m_status->adjustSize();
    m_status->raise();
}
