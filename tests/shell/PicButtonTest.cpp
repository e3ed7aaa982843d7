#include "RecorderHost.h"

#include "shell/ui/PicButton.h"
#include "platform/MessageIds.h"
#include "tests/support/MessageRecorder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>

namespace {

void mouse(QWidget& w, QEvent::Type type, QPoint pos) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(pos), QPointF(w.mapToGlobal(pos)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}

struct Fixture : ::testing::Test {
    testsupport::MessageRecorder receiver;
    std::vector<std::pair<int, QSize>> requests;
    PicButton button{plainPixmaps(&requests)};
    void SetUp() override {
        button.setReceiver(&receiver);
        button.setReportedId(1036);
        button.setBitmaps(159, 169);
        button.setGeometry(0, 0, 40, 40);
        button.show();
    }
    size_t clicks() const { return receiver.of(msg::kButtonClick).size(); }
};

}  // namespace

using PicButtonTest = Fixture;

TEST_F(PicButtonTest, AClickReportsItsIdOnRelease) {
    mouse(button, QEvent::MouseButtonPress, {10, 10});
    EXPECT_TRUE(button.isPressed());
    EXPECT_TRUE(button.showsPressedBitmap());
    EXPECT_EQ(clicks(), 0u);
    mouse(button, QEvent::MouseButtonRelease, {10, 10});
    ASSERT_EQ(clicks(), 1u);
    EXPECT_EQ(receiver.of(msg::kButtonClick)[0].wParam, 1036u);
    EXPECT_FALSE(button.isPressed());
    EXPECT_FALSE(button.showsPressedBitmap());
}

TEST_F(PicButtonTest, APressDraggedOffBeforeReleaseReportsNothing) {
    mouse(button, QEvent::MouseButtonPress, {10, 10});
    mouse(button, QEvent::MouseMove, {80, 10});
    EXPECT_FALSE(button.isTracking());
    EXPECT_FALSE(button.showsPressedBitmap());
    mouse(button, QEvent::MouseButtonRelease, {80, 10});
    EXPECT_EQ(clicks(), 0u);

    // The same when the system reports the leave itself.
    mouse(button, QEvent::MouseButtonPress, {10, 10});
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    mouse(button, QEvent::MouseButtonRelease, {10, 10});
    EXPECT_EQ(clicks(), 0u);
}

TEST_F(PicButtonTest, AButtonThatReportsOnPressReportsAtOnceEvenIfThePointerLeaves) {
    button.setReportOnPress(true);
    mouse(button, QEvent::MouseButtonPress, {10, 10});
    EXPECT_EQ(clicks(), 1u);
    mouse(button, QEvent::MouseMove, {80, 10});
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    mouse(button, QEvent::MouseButtonRelease, {80, 10});
    EXPECT_EQ(clicks(), 1u);
}

TEST_F(PicButtonTest, ReloadsBothBitmapsAtItsNewSize) {
    requests.clear();
    button.resize(60, 60);
    const qreal ratio = button.devicePixelRatioF();
    const QSize pixels = (QSizeF(60, 60) * ratio).toSize();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], std::make_pair(159, pixels));
    EXPECT_EQ(requests[1], std::make_pair(169, pixels));
    EXPECT_EQ(button.pixmap().deviceIndependentSize().toSize(), QSize(60, 60));
    // A resize while pressed keeps the pressed bitmap on show.
    mouse(button, QEvent::MouseButtonPress, {10, 10});
    button.resize(50, 50);
    EXPECT_TRUE(button.showsPressedBitmap());
}

TEST_F(PicButtonTest, ShowNormalClearsPressed) {
    mouse(button, QEvent::MouseButtonPress, {10, 10});
    button.ShowNormal();
    EXPECT_FALSE(button.isPressed());
    EXPECT_FALSE(button.showsPressedBitmap());
}

TEST_F(PicButtonTest, LeavingAfterTheReleaseKeepsASelectionMark) {
    mouse(button, QEvent::MouseButtonPress, {10, 10});
    mouse(button, QEvent::MouseButtonRelease, {10, 10});
    button.ShowPressedBitmap();
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    EXPECT_TRUE(button.showsPressedBitmap());
}
