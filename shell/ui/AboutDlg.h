#pragma once
// The software version and the firmware version of each camera.
#include "shell/ui/PicButton.h"

#include <QDialog>

#include <array>
#include <utility>
#include <vector>

class QLabel;
class QPushButton;
class ShellHost;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(ShellHost& host, const PixmapSource& pixmaps, QWidget* parent = nullptr);

    // Whether the dialog is on screen; its owner opens it only when it is not.
    bool isOpen() const { return m_open; }
    // The five lines, top to bottom.
    QStringList lines() const;
    // The keyboard's keys, one "keys: what they do" entry per row.
    QStringList keyLines() const;

    // Fills the texts from the language pack and the cameras; runs at every opening.
    void DoDataExchange();

    int exec() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    ShellHost& m_host;
    void addKeyList(class QVBoxLayout* column);

    std::array<QLabel*, 5> m_lines{};
    QLabel* m_keysHeading = nullptr;
    std::vector<std::pair<QLabel*, QLabel*>> m_keys;  // the keys, what they do
    QPushButton* m_ok = nullptr;
    bool m_open = false;
};
