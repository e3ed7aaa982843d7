#pragma once
// What the main window's child windows need of the program: the picture list, the share and the
// firmware dialog each see only their host, which reaches the application and the window.
#include "cloud/ShareHost.h"
#include "firmware/FirmwareHost.h"
#include "pictures/PicListHost.h"

class CQuilletApp;
class CQuilletDlg;

namespace shell {

class ChildHosts : public pictures::PicListHost, public cloud::ShareHost, public FirmwareHost {
public:
    ChildHosts(CQuilletApp& app, CQuilletDlg& window);

    QString text(int id) const override;

    // PicListHost and FirmwareHost.
    int ShowMessage(const QString& text, const QString& caption, unsigned type) override;
    void ShowMessageOnce(int textId) override;
    const camera::PictureStore& pictureStore() const override;
    QObject* mainWindow() const override;
    bool pictureShown() const override;
    void ChangeToCapture() override;
    void ShowView(bool show) override;
    void clearPenStrokesIfDrawing() override;
    bool whiteboardRunning() const override;
    void ReadBoardInstallPath() override;
    void RunBoardRelay(const QString& parameters) override;
    bool boardLinked() const override;
    void setBoardLinked(bool linked) override;
    bool linkDeclined() const override;
    void setLinkDeclined(bool declined) override;
    QSize screenSize() const override;
    double screenDpi() const override;

    // ShareHost (exportPdf runs on the share worker).
    bool exportPdf(QString* folder, QString* fileName) override;
    QObject* uiContext() override;
    void showMessage(const QString& text, const QString& caption) override;
    cloud::QrViewPort& qrView() override;
    QString storeFolder() const override;

    // FirmwareHost.
    QString programFolder() const override;
    void closeProgram() override;

private:
    CQuilletApp& m_app;
    CQuilletDlg& m_window;
};

}  // namespace shell
