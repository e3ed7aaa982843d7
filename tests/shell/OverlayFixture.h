#pragma once
// A main window of the work area's size with the overlay on it, over a recorder host.
#include "RecorderHost.h"

#include "shell/ui/MoveDlg.h"
#include "shell/ui/TopDlg.h"
#include "tests/support/FakeClock.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <memory>

struct OverlayFixture : ::testing::Test {
    testsupport::TempDir appData;
    testsupport::FakeClock clock;
    RecorderHost host;
    std::unique_ptr<QWidget> window;
    TopDlg* overlay = nullptr;

    void SetUp() override {
        host.area = QRect(0, 0, 1366, 728);
        host.rect = {0, 0, 1366, 728};
        host.appData = appData.path();
        window = std::make_unique<QWidget>();
        window->setGeometry(host.area);
        overlay = new TopDlg(host, plainPixmaps(), window.get(), clock);
        overlay->show();
        window->show();
    }
    MoveDlg& panel() { return *overlay->panel(); }
    PicButton& button(int id) { return *panel().button(id); }
    // The screen point at the middle of a widget.
    static QPoint centreOf(QWidget& w) { return w.mapToGlobal(w.rect().center()); }
    QPoint screen(QPoint local) const { return overlay->mapToGlobal(local); }
    void click(int id) {
        const QPoint at = centreOf(button(id));
        overlay->MouseDown(at);
        overlay->MouseUp(at);
        panel().ButtonAction(id);
    }
};
