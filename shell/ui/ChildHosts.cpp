#include "ChildHosts.h"

#include "app/QuilletApp.h"
#include "camera/Camera.h"
#include "cloud/ui/QRCodeView.h"
#include "pictures/ui/PicListView.h"
#include "platform/MessageBoxTypes.h"
#include "shell/ui/QuilletDlg.h"

#include <QGuiApplication>
#include <QScreen>

namespace shell {

ChildHosts::ChildHosts(CQuilletApp& app, CQuilletDlg& window) : m_app(app), m_window(window) {}

QString ChildHosts::text(int id) const {
    return m_app.SetText(id);
}

int ChildHosts::ShowMessage(const QString& t, const QString& caption, unsigned type) {
    return m_app.ShowMessage(t, caption, type);
}

void ChildHosts::ShowMessageOnce(int textId) {
    m_window.shell().showBoxOnce(textId);
}

const camera::PictureStore& ChildHosts::pictureStore() const {
    return m_app.camera().store();
}

QObject* ChildHosts::mainWindow() const {
    return &m_window;
}

bool ChildHosts::pictureShown() const {
    return m_window.state().pictureShown;
}

void ChildHosts::ChangeToCapture() {
    m_window.shell().changeToCapture();
}

void ChildHosts::ShowView(bool show) {
    m_window.shell().showView(show);
}

void ChildHosts::clearPenStrokesIfDrawing() {
    if (m_window.drawingMode()) m_window.clearStrokes();
}

bool ChildHosts::whiteboardRunning() const {
    return CQuilletApp::WhiteboardRunning();
}

void ChildHosts::ReadBoardInstallPath() {
    m_app.ReadBoardInstallPath();
}

void ChildHosts::RunBoardRelay(const QString& parameters) {
    m_app.RunBoardRelay(parameters);
}

bool ChildHosts::boardLinked() const {
    return m_app.boardLinkFlag() != 0;
}

void ChildHosts::setBoardLinked(bool linked) {
    m_app.setBoardLinkFlag(linked ? 1 : 0);
}

bool ChildHosts::linkDeclined() const {
    return m_window.state().linkDeclined;
}

void ChildHosts::setLinkDeclined(bool declined) {
    m_window.shell().setLinkDeclined(declined);
}

QSize ChildHosts::screenSize() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->size() * s->devicePixelRatio() : QSize(1920, 1080);
}

double ChildHosts::screenDpi() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInch() * s->devicePixelRatio() : 96.0;
}

bool ChildHosts::exportPdf(QString* folder, QString* fileName) {
    CPicListView* list = m_window.pictureList();
    if (list == nullptr) return false;
    QString f, n;
    const bool ok = list->ExportPdf(f, n);
    *folder = f;
    *fileName = n;
    return ok;
}

QObject* ChildHosts::uiContext() {
    return &m_window;
}

void ChildHosts::showMessage(const QString& t, const QString& caption) {
    m_app.ShowMessage(t, caption, platform::kMbSystemModal | platform::kMbOk);
}

cloud::QrViewPort& ChildHosts::qrView() {
    return *m_window.qrCodeView();
}

QString ChildHosts::storeFolder() const {
    return m_app.camera().store().storeFolder();
}

QString ChildHosts::programFolder() const {
    return m_app.programFolder();
}

void ChildHosts::closeProgram() {
    m_window.removeTrayIcon();
    m_window.shutDownDialog();
}

}  // namespace shell
