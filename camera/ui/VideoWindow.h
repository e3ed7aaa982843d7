#pragma once
// The video window of one camera: shows the corrected live picture at the size the controller
// sets, or while the corners are edited the raw frame with four draggable corner handles.
#include "camera/ViewWindow.h"
#include "platform/CallSink.h"

#include <QImage>
#include <QWidget>

#include <atomic>
#include <functional>
#include <mutex>

namespace camera {

class CVideoWindow : public QWidget, public ViewWindow {
    Q_OBJECT
public:
    explicit CVideoWindow(QWidget* parent = nullptr);
    ~CVideoWindow() override;

    void present(const QImage& frame, const sdk::CornerOverlay& overlay) override;
    void setCornerMover(std::function<void(int, QPointF)> mover) override;
    void placeWindow(const DisplayRect& rect) override;
    void showWindow(bool show) override;

    // The last picture handed in, for tests and the picture viewer.
    QImage lastFrame() const;
    // Where corner i is drawn in the window while editing.
    QPointF handlePosition(int corner) const;

    static constexpr int kHandleRadius = 9;
    static QColor fromColorRef(uint32_t value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void paintEditing(QPainter& p, const QImage& frame, const sdk::CornerOverlay& overlay);
    QPointF toFraction(QPointF pos) const;

    mutable std::mutex m_mutex;  // the streaming thread hands frames in
    QImage m_frame;
    sdk::CornerOverlay m_overlay;
    std::function<void(int, QPointF)> m_mover;
    std::atomic<bool> m_repaintQueued{false};
    int m_dragging = -1;
    platform::CallSink m_repaints;  // last: closed first, before what its calls touch goes
};

}  // namespace camera
