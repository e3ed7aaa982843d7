#pragma once
// The small always-on-top window of a share: a progress bar while the PDF goes up, then the
// download link as a QR code filling the window. The background stays white, so the symbol has
// its quiet zone on screen.
#include "cloud/QrViewPort.h"

#include <QDialog>

class QLabel;
class QProgressBar;

namespace cloud {

class QRCodeView : public QDialog, public QrViewPort {
    Q_OBJECT
public:
    explicit QRCodeView(QWidget* parent = nullptr);

    // QrViewPort
    void showBlank() override;
    void hidePicture() override;
    void showProgress(std::int64_t total) override;
    void setProgress(std::int64_t done) override;
    bool ShowLink(const QString& link, const QString& imagePath) override;
    void hideView() override;

    // Places and fills the picture from the file last written; nothing before the first share.
    void Layout();
    // Maximises, or restores after a maximise.
    void toggleMaximised();

    QLabel* picture() const { return m_picture; }
    QProgressBar* progressBar() const { return m_progress; }
    const QString& imagePath() const { return m_imagePath; }
    bool maximised() const { return m_maximised; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    QLabel* m_picture;
    QProgressBar* m_progress;
    QString m_imagePath;
    bool m_maximised = false;
    int m_progressShift = 0;  // keeps totals beyond int's range inside the bar's
};

}  // namespace cloud
