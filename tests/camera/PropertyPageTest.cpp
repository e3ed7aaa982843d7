// The video property page on the simulated cameras.
#include "camera/Camera.h"
#include "camera/sdk/DeviceSdk.h"
#include "camera/sdk/SimBackend.h"
#include "camera/ui/PageProperty.h"
#include "tests/support/CutTexts.h"
#include "tests/support/FakeClock.h"
#include "tests/support/PackTexts.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TextPlace.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

using namespace camera::sdk;
using camera::VideoProperties;

namespace {

constexpr int kBrightnessRow = 0, kContrastRow = 1, kExposureRow = VideoProperties::kExposureRow;

class PropertyPageTest : public testing::Test {
protected:
    void make(int cameras, int unsupported = 0, int refused = 0) {
        page.reset();
        CameraServices s;
        s.makeSdk = [=](const QString&) {
            SimOptions o;
            o.cameras = cameras;
            o.frameSize = QSize(64, 48);
            o.unsupportedSetting = unsupported;
            o.refusedSetting = refused;
            return std::make_unique<DeviceSdk>(std::make_unique<SimBackend>(o));
        };
        s.tempFolder = [this] { return temp.path(); };
        s.commonAppDataFolder = [this] { return appData.path(); };
        s.clock = &clock;
        cam = std::make_unique<CCamera>(s);
        cam->setHost(&host);
        cam->Init();
        cam->OpenCameras(nullptr, nullptr, camera::DisplayRect{0, 0, 320, 240});
        page = std::make_unique<CPageProperty>(
            *cam,
            [this](int id) {
                const auto it = pack.find(id);
                return it != pack.end() ? it->second : QString("t%1").arg(id);
            },
            [this] { return host.dual; });
    }
    int value(int camera, int id, int query = kQueryCurrent) {
        return cam->sdk()->readSetting(cam->cameras()[camera], id, query);
    }
    void write(int camera, int id, int v, bool automatic = false) {
        cam->sdk()->writeSetting(cam->cameras()[camera], id, v, automatic);
    }
    void key(int row, int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(page->trackbar(row), &press);
    }
    // The thumb held, moved and let go.
    void drag(int row, int to) {
        QSlider* bar = page->trackbar(row);
        bar->setSliderDown(true);
        bar->setSliderPosition(to);
        bar->setSliderDown(false);
    }
    QString shown(int row) { return page->valueText(row)->text(); }

    testsupport::TempDir temp, appData;
    testsupport::FakeClock clock;
    camera::CameraHostState host;
    std::unique_ptr<CCamera> cam;
    std::unique_ptr<CPageProperty> page;
    testsupport::PackTexts pack;
};

}  // namespace

TEST(PropertyPageCodes, PageAndThumbMovesWriteStepsAndEndsDoNot) {
    EXPECT_EQ(CPageProperty::scrollCodeFor(QAbstractSlider::SliderSingleStepSub), 0);
    EXPECT_EQ(CPageProperty::scrollCodeFor(QAbstractSlider::SliderSingleStepAdd), 1);
    EXPECT_EQ(CPageProperty::scrollCodeFor(QAbstractSlider::SliderPageStepSub), 2);
    EXPECT_EQ(CPageProperty::scrollCodeFor(QAbstractSlider::SliderPageStepAdd), 3);
    EXPECT_EQ(CPageProperty::scrollCodeFor(QAbstractSlider::SliderMove), 5);
    EXPECT_EQ(CPageProperty::scrollCodeFor(QAbstractSlider::SliderToMinimum), 6);
    EXPECT_EQ(CPageProperty::scrollCodeFor(QAbstractSlider::SliderToMaximum), 7);
    EXPECT_EQ(CPageProperty::scrollCodeFor(QAbstractSlider::SliderNoAction), -1);
    for (int code = -1; code <= 8; ++code)
        EXPECT_EQ(VideoProperties::writes(code), code >= 2 && code <= 5) << code;
}

TEST_F(PropertyPageTest, OpeningShowsRangesValuesAndAutomaticExposure) {
    make(1);
    EXPECT_TRUE(page->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(page->windowFlags() & Qt::Tool);
    const int ids[7] = {1, 2, 3, 4, 5, 6, 8};
    const int labelTexts[7] = {20018, 20017, 20019, 20020, 20021, 20022, 20024};
    for (int row = 0; row < 7; ++row) {
        QSlider* bar = page->trackbar(row);
        EXPECT_EQ(bar->minimum(), value(0, ids[row], kQueryMin)) << row;
        EXPECT_EQ(bar->maximum(), value(0, ids[row], kQueryMax)) << row;
        EXPECT_EQ(bar->value(), value(0, ids[row])) << row;
        EXPECT_EQ(shown(row), QString::number(value(0, ids[row]))) << row;
        EXPECT_EQ(page->label(row)->text(), QString("t%1").arg(labelTexts[row]));
        // Automatic exposure is on: only the exposure trackbar is off.
        EXPECT_EQ(bar->isEnabled(), row != kExposureRow) << row;
    }
    EXPECT_EQ(shown(kBrightnessRow), "0");
    EXPECT_EQ(shown(kExposureRow), "156");
    EXPECT_TRUE(page->automaticBox()->isChecked());
    EXPECT_EQ(page->groupBox()->title(), "t20016");
    EXPECT_EQ(page->defaultButton()->text(), "t20023");
    EXPECT_EQ(page->automaticBox()->text(), "t20025");
    EXPECT_EQ(page->trackbar(kBrightnessRow)->objectName(), "353");
    EXPECT_EQ(page->trackbar(kExposureRow)->objectName(), "363");
}

TEST_F(PropertyPageTest, AnUnsupportedSettingDisablesItsRowAndAutomaticChangesNothing) {
    make(1, kContrast);
    EXPECT_FALSE(page->trackbar(kContrastRow)->isEnabled());
    EXPECT_TRUE(shown(kContrastRow).isEmpty());
    EXPECT_TRUE(page->trackbar(kBrightnessRow)->isEnabled());

    make(1, kExposure);
    EXPECT_FALSE(page->trackbar(kExposureRow)->isEnabled());
    EXPECT_FALSE(page->automaticBox()->isChecked());
    EXPECT_FALSE(page->automaticBox()->isEnabled());
    page->automaticBox()->setEnabled(true);  // even if it could be clicked
    page->automaticBox()->click();
    EXPECT_EQ(value(0, kExposure, kQueryAuto), 0);
    EXPECT_EQ(value(0, kExposure), 0);
    EXPECT_FALSE(page->automaticBox()->isChecked());
    EXPECT_FALSE(page->trackbar(kExposureRow)->isEnabled());
    // Restoring the defaults does not bring the row back either.
    page->defaultButton()->click();
    EXPECT_FALSE(page->trackbar(kExposureRow)->isEnabled());
}

TEST_F(PropertyPageTest, ArrowKeysMoveWithoutWritingUntilAPageOrThumbMove) {
    make(1);
    QSlider* bar = page->trackbar(kBrightnessRow);
    key(kBrightnessRow, Qt::Key_Right);
    key(kBrightnessRow, Qt::Key_Right);
    key(kBrightnessRow, Qt::Key_End);
    key(kBrightnessRow, Qt::Key_Home);
    key(kBrightnessRow, Qt::Key_Right);
    EXPECT_EQ(bar->value(), -63);
    EXPECT_EQ(value(0, kBrightness), 0);
    EXPECT_EQ(shown(kBrightnessRow), "0");

    key(kBrightnessRow, Qt::Key_PageUp);  // a page step on from the moved position
    const int paged = bar->value();
    EXPECT_NE(paged, -63);
    EXPECT_EQ(value(0, kBrightness), paged);
    EXPECT_EQ(shown(kBrightnessRow), QString::number(paged));

    drag(kBrightnessRow, 40);
    EXPECT_EQ(value(0, kBrightness), 40);
    EXPECT_EQ(shown(kBrightnessRow), "40");
}

TEST_F(PropertyPageTest, AutomaticExposureBoxAndDraggingTheExposureThumb) {
    make(1);
    page->automaticBox()->click();  // off
    EXPECT_EQ(value(0, kExposure, kQueryAuto), 0);
    EXPECT_TRUE(page->trackbar(kExposureRow)->isEnabled());
    drag(kExposureRow, 900);
    EXPECT_EQ(value(0, kExposure), 900);
    EXPECT_EQ(value(0, kExposure, kQueryAuto), 0);

    // Automatic switched on behind the page's back: a drag writes the value and keeps it on.
    write(0, kExposure, 900, true);
    drag(kExposureRow, 1200);
    EXPECT_EQ(value(0, kExposure), 1200);
    EXPECT_EQ(value(0, kExposure, kQueryAuto), 1);
    EXPECT_EQ(shown(kExposureRow), "1200");
    EXPECT_TRUE(page->automaticBox()->isChecked());
    EXPECT_FALSE(page->trackbar(kExposureRow)->isEnabled());

    page->automaticBox()->click();  // off again, the value stays
    EXPECT_EQ(value(0, kExposure, kQueryAuto), 0);
    EXPECT_EQ(value(0, kExposure), 1200);
}

TEST_F(PropertyPageTest, DualScreenWritesBothCamerasAndReadsTheCurrentOne) {
    make(2);
    host.dual = true;
    write(1, kContrast, 50);
    page->refresh();
    EXPECT_EQ(shown(kContrastRow), "32");  // the current camera is the first
    drag(kBrightnessRow, 30);
    EXPECT_EQ(value(0, kBrightness), 30);
    EXPECT_EQ(value(1, kBrightness), 30);

    cam->setCurrentCamera(cam->cameras()[1]);
    page->refresh();
    EXPECT_EQ(shown(kContrastRow), "50");

    // Defaults on both cameras in dual-screen mode, on the current one otherwise.
    page->defaultButton()->click();
    EXPECT_EQ(value(0, kBrightness), 0);
    EXPECT_EQ(value(1, kContrast), 32);
    EXPECT_EQ(shown(kContrastRow), "32");
    host.dual = false;
    drag(kBrightnessRow, -20);
    EXPECT_EQ(value(0, kBrightness), 0);
    EXPECT_EQ(value(1, kBrightness), -20);
    write(0, kBrightness, 10);
    page->defaultButton()->click();
    EXPECT_EQ(value(1, kBrightness), 0);
    EXPECT_EQ(value(0, kBrightness), 10);
}

TEST_F(PropertyPageTest, ShowingReadsAgainAndFaultsShowWhatTheCameraHas) {
    make(1, 0, kSaturation);
    write(0, kGamma, 250);
    EXPECT_EQ(shown(5), "100");
    page->show();
    EXPECT_EQ(shown(5), "250");

    // A refused write: the page goes back to the camera's value.
    drag(3, 120);
    EXPECT_EQ(value(0, kSaturation), 64);
    EXPECT_EQ(shown(3), "64");
    EXPECT_EQ(page->trackbar(3)->value(), 64);

    // The camera gone while the page is open: nothing is written, every row goes off.
    cam->CloseCameras();
    drag(kBrightnessRow, 12);
    for (int row = 0; row < 7; ++row) EXPECT_FALSE(page->trackbar(row)->isEnabled()) << row;
    page->defaultButton()->click();
    page->automaticBox()->click();
    EXPECT_FALSE(page->automaticBox()->isChecked());
    page->hide();
}

TEST_F(PropertyPageTest, EveryPacksTextsShowWholeAndShortOnesKeepTheTemplate) {
    make(1);
    const QSize templateSize = page->size();
    const QRect label = page->label(kBrightnessRow)->geometry();
    const QRect bar = page->trackbar(kBrightnessRow)->geometry();
    for (const QString& code : testsupport::packCodes()) {
        pack = testsupport::readPack(code);
        ASSERT_FALSE(pack.empty()) << code.toStdString();
        make(1);
        if (code == "ar") page->setLayoutDirection(Qt::RightToLeft);
        EXPECT_EQ(testsupport::cutTexts(*page).join(u'\n').toStdString(), "") << code.toStdString();
        // Names and values keep to the leading edge of their column, numbers too.
        EXPECT_EQ(testsupport::misplacedTexts(*page).join(u'\n').toStdString(), "")
            << code.toStdString();
        testsupport::saveShot(*page, "property-page-" + code);
    }
    // A screen reader names each slider by its row, in the pack's words.
    for (int row = 0; row < 7; ++row)
        EXPECT_EQ(page->trackbar(row)->accessibleName(), page->label(row)->text()) << row;
    // Ukrainian "saturation" is longer than the template's label column: the column and the
    // window grow, the trackbars move along and keep their width.
    pack = testsupport::readPack("uk_UA");
    make(1);
    const QLabel* saturation = page->label(3);
    EXPECT_EQ(saturation->text(), QString::fromUtf8("Насиченість"));
    EXPECT_GE(saturation->width(), saturation->fontMetrics().horizontalAdvance(saturation->text()));
    const int grown = saturation->width() - label.width();
    EXPECT_GT(grown, 0);
    EXPECT_EQ(page->label(kBrightnessRow)->width(), saturation->width()) << "one column";
    EXPECT_EQ(page->label(kBrightnessRow)->x(), label.x());
    EXPECT_EQ(page->trackbar(kBrightnessRow)->geometry(), bar.translated(grown, 0));
    EXPECT_EQ(page->height(), templateSize.height());
}

TEST_F(PropertyPageTest, RightToLeftMirrorsEveryRow) {
    make(1);
    std::vector<QRect> ltr;
    for (int i = 0; i < VideoProperties::kRowCount; ++i) ltr.push_back(page->label(i)->geometry());
    const QRect bar = page->trackbar(kContrastRow)->geometry();
    const QRect value = page->valueText(kExposureRow)->geometry();
    const QRect box = page->automaticBox()->geometry();
    const QRect button = page->defaultButton()->geometry();
    page->setLayoutDirection(Qt::RightToLeft);
    const int w = page->width();
    const auto mirrored = [w](const QRect& r) {
        return QRect(w - r.x() - r.width(), r.y(), r.width(), r.height());
    };
    for (int i = 0; i < VideoProperties::kRowCount; ++i) {
        EXPECT_EQ(page->label(i)->geometry(), mirrored(ltr[i])) << "row " << i;
        EXPECT_GT(page->label(i)->x(), page->trackbar(i)->x()) << "the label at the right";
        EXPECT_LT(page->valueText(i)->x(), page->trackbar(i)->x()) << "the value at the left";
    }
    EXPECT_EQ(page->trackbar(kContrastRow)->geometry(), mirrored(bar));
    EXPECT_EQ(page->valueText(kExposureRow)->geometry(), mirrored(value));
    EXPECT_EQ(page->automaticBox()->geometry(), mirrored(box));
    EXPECT_EQ(page->defaultButton()->geometry(), mirrored(button));
    page->setLayoutDirection(Qt::LeftToRight);
    EXPECT_EQ(page->label(0)->geometry(), ltr[0]) << "and back";
}
