#include "ExportProgress.h"

namespace pictures {

ExportProgress::ExportProgress(const QString& label, int total, int showAfterMs)
    : QProgressDialog(label, QString(), 0, total, nullptr,
                      Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint) {
    // The window stays usable meanwhile: nothing here waits for the export.
    setWindowModality(Qt::NonModal);
    setCancelButton(nullptr);
    setAutoClose(false);
    setAutoReset(false);
    setWindowTitle(QString());
    setMinimumDuration(showAfterMs);
    if (showAfterMs <= 0) show();
}

void ExportProgress::advance(int done) {
    setValue(done);
}

}  // namespace pictures
