#pragma once
// The picture surface (control 1012): shows what the picture viewer drew, one buffer pixel per
// screen pixel.
#include "shell/PictureFrame.h"

#include <QWidget>

namespace app {

class PictureSurface : public QWidget, public PictureTarget {
    Q_OBJECT
public:
    static constexpr int kControlId = 1012;

    explicit PictureSurface(QWidget* parent = nullptr);

    void present(const QImage& picture, const QRect& rect) override;
    // The buffer, for tests and screenshots.
    const PictureFrame& frame() const { return m_frame; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The buffer follows the widget's size and the ratio of the screen it is on; true when it
    // was made anew (and the last picture drawn into it).
    bool fitFrame();

    PictureFrame m_frame;
    QImage m_lastPicture;
    QRect m_lastRect;
};

}  // namespace app
