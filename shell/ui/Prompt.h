#pragma once
// The question whether to clear all pictures. It counts ten seconds down in its own text; when
// nobody answers, it clears the pictures itself.
#include <QDialog>
#include <QTimer>

class QLabel;
class QPushButton;
class ShellHost;

class CPrompt : public QDialog {
    Q_OBJECT
public:
    // tickMs: the countdown's period; one second in the program.
    CPrompt(ShellHost& host, QWidget* parent, int tickMs = 1000);

    // Starts the countdown at 10 and shows the prompt (centred on the work area when it was
    // hidden; one already on screen keeps its place).
    void ShowPrompt();

    int countdown() const { return m_countdown; }
    bool isShown() const { return m_shown; }
    QString promptText() const;

    // One period of the countdown has passed.
    void OnTimer();
    void OnOK();
    void OnCancel();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void clearAndReturnToCapture();

    ShellHost& m_host;
    QTimer m_timer;
    QLabel* m_text = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    int m_countdown = 10;
    bool m_shown = false;
};
