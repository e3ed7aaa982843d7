#pragma once
// Stands in for the main dialog until it is built: the live view of the cameras, the button
// boards, and a picture on every key press, with a line of status. Enough to run the whole
// capture road on real or simulated devices; none of the main dialog's own behaviour.
#include "platform/hid/HidBackend.h"

#include <QDialog>

#include <memory>

class CQuilletApp;
class DeviceManager;
class QLabel;
namespace camera {
class CVideoWindow;
}

class StandInDialog : public QDialog {
public:
    explicit StandInDialog(CQuilletApp& app);
    ~StandInDialog() override;

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void openCameras();
    void startBoards();
    void onKey(int board, int keyType);
    void onPictureReady(int number, int tag);
    void onDeviceChange(unsigned change, const QString& name);
    void shutDown();
    void showStatus(const QString& text);

    CQuilletApp& m_app;
    camera::CVideoWindow* m_video[2] = {nullptr, nullptr};
    QLabel* m_status = nullptr;
    platform::hid::HidBackend m_hid;
    std::unique_ptr<DeviceManager> m_devices;
    bool m_captureBusy = false;
    bool m_shutDown = false;
};
