#pragma once
// The overlay: a see-through layer over the whole work area, above the video windows and the
// picture surface. It carries the strokes drawn in drawing mode, the toolbar panel, the
// calibration button and the back-to-video button.
//
// It takes no mouse input itself, so presses reach the windows below; it watches the pointer
// through a filter on the application instead. Its controls lie above it in the main window (a
// child of a mouse-transparent widget could not be pressed), and it owns them: they show, hide
// and go away with it.
#include "shell/ui/MoveDlg.h"
#include "shell/ui/PicButton.h"
#include "shell/StrokeCanvas.h"

#include <QPointer>
#include <QWidget>

class ShellHost;
namespace platform {
class Clock;
}

class TopDlg : public QWidget {
    Q_OBJECT
public:
    // parent: the main window, which the overlay covers.
    TopDlg(ShellHost& host, PixmapSource pixmaps, QWidget* parent, platform::Clock& clock);
    ~TopDlg() override;

    // Removes the mouse watch and deletes the toolbar panel; the owner deletes the overlay next.
    void ShutDown();

    // What the mouse watch reports, in screen coordinates.
    void MouseDown(const QPoint& globalPoint);
    void MouseUp(const QPoint& globalPoint);
    void MouseMove(const QPoint& globalPoint, Qt::MouseButtons buttons);

    void ClearStrokes();
    void DrawingOff();
    // The calibration button in the corner the view rect leaves free.
    void PlaceCornerButton();
    // A display change: cover the new work area and place the own buttons again.
    void FitWorkArea();
    // Keeps the overlay above the video windows and its controls above it.
    void BringToFront();

    void setVisible(bool visible) override;

    bool drawingMode() const { return m_drawingMode; }
    void setDrawingMode(bool on) { m_drawingMode = on; }
    bool strokeInProgress() const { return m_strokeInProgress; }
    // The pointer left the main window: the stroke ends there.
    void clearStrokeInProgress() { m_strokeInProgress = false; }
    int penWidth() const { return m_canvas.penWidth(); }
    void setPenWidth(int width) { m_canvas.setPenWidth(width); }
    QRgb penColour() const { return m_canvas.penColour(); }
    void setPenColour(QRgb colour) { m_canvas.setPenColour(colour); }
    bool eraser() const { return m_canvas.eraser(); }
    void setEraser(bool on) { m_canvas.setEraser(on); }
    const StrokeCanvas& canvas() const { return m_canvas; }

    MoveDlg* panel() const { return m_panel; }
    PicButton* calibrationButton() const { return m_calibration; }
    PicButton* backToVideoButton() const { return m_backToVideo; }
    // The controls shown or hidden by the main dialog. They are on screen only while the
    // overlay is too.
    void showPanel(bool show);
    void showCalibrationButton(bool show);
    void showBackToVideoButton(bool show);
    bool panelWanted() const { return m_panelWanted; }
    bool calibrationButtonWanted() const { return m_calibrationWanted; }
    bool backToVideoButtonWanted() const { return m_backWanted; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void syncControls();
    void watchMouse(bool on);
    QRect localWorkArea() const;

    ShellHost& m_host;
    StrokeCanvas m_canvas;
    QPointer<MoveDlg> m_panel;
    QPointer<PicButton> m_calibration;
    QPointer<PicButton> m_backToVideo;
    QPoint m_strokeStart;
    bool m_drawingMode = false;
    bool m_strokeInProgress = false;
    bool m_watching = false;
    bool m_panelWanted = false;
    bool m_calibrationWanted = false;
    bool m_backWanted = false;
};
