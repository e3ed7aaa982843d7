#pragma once
// A picture that acts as a button: a normal and a pressed bitmap, a click reported to its
// receiver with the button message and its id. A press that leaves the button before release
// reports nothing, unless the button reports on press.
#include <QLabel>
#include <QPixmap>
#include <QPointer>

#include <functional>

// Draws bitmap resource id at the given size in device pixels (an empty size: its own size).
using PixmapSource = std::function<QPixmap(int resourceId, QSize size)>;

class PicButton : public QLabel {
    Q_OBJECT
public:
    explicit PicButton(PixmapSource source, QWidget* parent = nullptr);

    int reportedId() const { return m_reportedId; }
    void setReportedId(int id) { m_reportedId = id; }
    // Loads both bitmaps at the button's size (their own size while it has none) and shows the
    // normal one.
    void setBitmaps(int normalId, int pressedId);
    void setReportOnPress(bool on) { m_reportOnPress = on; }
    bool reportOnPress() const { return m_reportOnPress; }
    // Where clicks go; the parent widget unless set.
    void setReceiver(QObject* receiver) { m_receiver = receiver; }
    // What a screen reader says and the tooltip shows: the button is only a picture.
    void setLabel(const QString& label);
    // Reports a click as the pointer would (a screen reader's press).
    void click() { report(); }

    bool isPressed() const { return m_pressed; }
    bool isTracking() const { return m_tracking; }
    int normalBitmapId() const { return m_normalId; }
    int pressedBitmapId() const { return m_pressedId; }
    // Which bitmap is on show.
    bool showsPressedBitmap() const { return m_showingPressed; }

    void ShowNormal();
    // The pressed bitmap as a selection mark; the pressed state is not changed.
    void ShowPressedBitmap();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void loadBitmaps(const QSize& size);
    void showBitmap(bool pressedBitmap);
    void report();
    void pointerLeft();

    PixmapSource m_source;
    QPointer<QObject> m_receiver;
    int m_reportedId = -1;
    int m_normalId = 0;
    int m_pressedId = 0;
    QPixmap m_normal;
    QPixmap m_pressedPixmap;
    bool m_pressed = false;
    bool m_tracking = false;
    bool m_reportOnPress = false;
    bool m_showingPressed = false;
};
