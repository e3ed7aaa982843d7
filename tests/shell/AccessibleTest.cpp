// What a screen reader finds on the overlay: named buttons it can press, not unnamed pictures.
#include "OverlayFixture.h"

#include "shell/ControlIds.h"
#include "lang/TextIds.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

namespace {

struct AccessibleTest : OverlayFixture {};

QAccessibleInterface* accessible(QWidget* w) {
    return QAccessible::queryAccessibleInterface(w);
}

TEST_F(AccessibleTest, ToolbarButtonsAreNamedButtonsWithTooltips) {
    const std::pair<int, int> named[] = {
        {ctl::kHandle, text::kToolbar},    {ctl::kList, text::kPictureList},
        {ctl::kCapture, text::kKeyCapture}, {ctl::kShare, text::kKeyShare},
        {ctl::kPen, text::kPen},           {ctl::kRedPen, text::kRedPen},
        {ctl::kBlackPen, text::kBlackPen}, {ctl::kBluePen, text::kBluePen},
        {ctl::kEraser, text::kEraser},     {ctl::kClear, text::kClearDrawing},
    };
    for (const auto& [id, textId] : named) {
        QAccessibleInterface* a = accessible(&button(id));
        ASSERT_NE(a, nullptr) << id;
        EXPECT_EQ(a->role(), QAccessible::Button) << id;
        EXPECT_EQ(a->text(QAccessible::Name), host.text(textId)) << id;
        EXPECT_EQ(button(id).toolTip(), host.text(textId)) << id;
    }
}

TEST_F(AccessibleTest, CornerButtonsAreNamed) {
    for (const char* name : {"calibration", "backToVideo"}) {
        auto* b = window->findChild<PicButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        EXPECT_FALSE(accessible(b)->text(QAccessible::Name).isEmpty()) << name;
    }
}

TEST_F(AccessibleTest, PressingThroughTheScreenReaderActsAsAClick) {
    QAccessibleInterface* a = accessible(&button(ctl::kList));
    QAccessibleActionInterface* actions = a->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(host.calls.contains("showPictureList")) << host.calls.join(' ').toStdString();
}

}  // namespace
