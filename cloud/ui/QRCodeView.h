#pragma once
// The small always-on-top window of a share: a progress bar while the PDF goes up, then the
// download link as a QR code filling the window. The background stays white, so the symbol has
// its quiet zone on screen. A share in the room adds lines under the code: the link as text,
// the choice of address, and until when the link is open with its download count.
#include "cloud/QrViewPort.h"

#include <QDialog>

class QComboBox;
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
    void showLinkText(const QString& link) override;
    void showAddresses(const QStringList& addresses, int current,
                       std::function<void(int)> choose) override;
    void showRoomStatus(const QString& status) override;
    bool isShown() const override;

    // Places and fills the picture from the file last written; nothing before the first share.
    void Layout();
    // Maximises, or restores after a maximise.
    void toggleMaximised();

    QLabel* picture() const { return m_picture; }
    QProgressBar* progressBar() const { return m_progress; }
    QLabel* linkText() const { return m_linkText; }
    QComboBox* addressChoice() const { return m_addresses; }
    QLabel* roomStatus() const { return m_status; }
    const QString& imagePath() const { return m_imagePath; }
    bool maximised() const { return m_maximised; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Height of the lines under the code (link, address choice, status) that are shown.
    int belowHeight() const;
    void placeBelow(int top);

    QLabel* m_picture;
    QProgressBar* m_progress;
    QLabel* m_linkText;
    QComboBox* m_addresses;
    QLabel* m_status;
    std::function<void(int)> m_choose;
    QString m_imagePath;
    bool m_maximised = false;
    int m_progressShift = 0;  // keeps totals beyond int's range inside the bar's
};

}  // namespace cloud
