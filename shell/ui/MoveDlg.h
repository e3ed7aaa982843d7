#pragma once
// The toolbar panel: a handle button that opens a column of command buttons and, in drawing
// mode, a column of pens. It lies on the overlay and is dragged by its handle.
#include "shell/ui/PicButton.h"
#include "shell/ui/Prompt.h"

#include <QPointer>
#include <QWidget>

#include <map>

class ShellHost;
class TopDlg;
namespace platform {
class Clock;
}

class MoveDlg : public QWidget {
    Q_OBJECT
public:
    enum Pen { kNoPen = 0, kRed = 1, kBlack = 2, kBlue = 3, kEraserPen = 4 };
    static QRgb penColour(int pen);

    // parent: the widget the overlay lies in; positions are relative to it and the overlay.
    MoveDlg(ShellHost& host, const PixmapSource& pixmaps, TopDlg& overlay, QWidget* parent,
            platform::Clock& clock);
    ~MoveDlg() override;

    int step() const { return m_step; }
    bool expanded() const { return m_expanded; }
    int selectedPen() const { return m_selectedPen; }
    bool handlePressed() const { return m_handlePressed; }
    int64_t pressTime() const { return m_pressTime; }
    PicButton* button(int controlId) const;
    CPrompt* prompt() const { return m_prompt; }

    // Button size from the work area, written to usefile.ini.
    void ComputeStep();
    // Closed at 80 % of the work area, one step square.
    void MoveToStart();
    void Open();
    void Close();
    // Applies the open or closed layout again (after a display change).
    void Relayout();
    // Moves the panel, kept inside the overlay.
    void PlaceAt(const QPoint& topLeft);
    // The action of the button with that control id.
    void ButtonAction(int controlId);

    // Asked by the overlay's mouse watch (screen point): whether the point is on a visible
    // button. On the handle it also starts a drag.
    bool HitTest(const QPoint& globalPoint);
    // The pointer moved while the handle is pressed.
    void DragTo(const QPoint& globalPoint);
    // The left button went up anywhere.
    void HandleReleased();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    PicButton* makeButton(int controlId, int normalId, int pressedId);
    void ToggleDrawingMode();
    void SelectPen(int pen);
    void layOutColumns(bool pens);
    void setPenColumnVisible(bool visible);
    void setCommandColumnVisible(bool visible);
    void updateMask();
    void writeStep() const;
    void releaseHandle();
    QRect localWorkArea() const;
    // The panel's places are written left-to-right; right-to-left they are mirrored on the
    // overlay and inside the panel (mirroring twice gives the written place back).
    QRect onOverlay(const QRect& r) const;
    QRect inPanel(const QRect& r) const;
    // The panel's rect on the overlay, as written left-to-right.
    QRect currentRect() const;

    ShellHost& m_host;
    TopDlg& m_overlay;
    platform::Clock& m_clock;
    std::map<int, PicButton*> m_buttons;
    QPointer<CPrompt> m_prompt;
    QPoint m_dragStartPointer;
    QPoint m_dragStartPanel;
    bool m_handlePressed = false;
    int m_step = 0;
    bool m_expanded = false;
    int m_selectedPen = kNoPen;
    int64_t m_pressTime = 0;
};
