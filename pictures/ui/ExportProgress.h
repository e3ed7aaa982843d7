#pragma once
// The progress of a long export: a window of its own that appears only when the export is still
// running after a short while, so quick exports show nothing. It cannot cancel: an export left
// half-way would leave no PDF and gain the teacher nothing.
#include <QProgressDialog>

namespace pictures {

class ExportProgress : public QProgressDialog {
public:
    // How long an export runs before its progress is shown.
    static constexpr int kShowAfterMs = 400;

    // total: pictures to export. showAfterMs 0 shows the window at once.
    ExportProgress(const QString& label, int total, int showAfterMs = kShowAfterMs);
    // Pictures done so far.
    void advance(int done);
};

}  // namespace pictures
