#pragma once
// The list of the run's pictures: a row per picture with its thumbnail and a check box, and the
// commands on the checked ones (export to PDF, delete, hand to the whiteboard). Rows, images and
// picture numbers always belong together, row for row.
#include "pictures/BoardHandOff.h"
#include "pictures/ExportRunner.h"
#include "pictures/PdfExport.h"
#include "pictures/PicListHost.h"
#include "pictures/ui/ExportProgress.h"

#include <QDialog>
#include <QPixmap>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QCheckBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace pictures {
// What the list's exports write to and when they run; the defaults are standard output and now.
struct PicListOptions {
    PdfExport::Output output = PdfExport::standardOutput();
    PdfExport::Clock now = &QDateTime::currentDateTime;
    // How long an export runs before its progress is shown.
    int progressAfterMs = ExportProgress::kShowAfterMs;
};
}  // namespace pictures

class CPicListView : public QDialog {
public:
    // Control ids; each control carries its id as its object name.
    enum Control {
        kList = 1005,
        kSelectAll = 1001,
        kDelete = 1008,
        kImport = 1010,
        kExport = 1009
    };
    static constexpr int kThumbnailSize = 180;

    using Options = pictures::PicListOptions;

    // owner: the window that shows, hides and places the list (the toolbar panel).
    CPicListView(pictures::PicListHost& host, QWidget* owner = nullptr, Options options = {});
    ~CPicListView() override;

    // A row for picture n at the end, its thumbnail from the store; Select all is cleared.
    int AddPicture(int n);
    // Checks or unchecks every row and the Select all box.
    void SetAllChecks(bool checked);
    void OnSelectAll();
    // Asks where to save the checked pictures and starts exporting them; nothing checked, or an
    // export still running, does nothing. The export runs on a worker: the list steps aside
    // and the teacher is told of a failure once it is over.
    void OnExport();
    bool exportRunning() const { return m_exports.running(); }
    // Returns once a running export is over and its outcome told; windows redraw meanwhile.
    // The program's end waits here for its last export.
    void waitForExport() { m_exports.wait(); }
    // Deletes the checked rows with the pictures' files.
    void OnDelete();
    // Hands the checked pictures to the whiteboard program, in list order.
    void OnImport();
    // Removes every row and the files of every picture.
    void clear();
    // Tells the teacher, once the window is up, that the last lesson's pictures are back in the
    // list (they are listed from the start); nothing when none came back.
    void tellKeptPictures();

    // The pictures (all listed ones when absent) into folder + fileName; see PdfExport. Callable
    // from the share's worker thread; the list must not change meanwhile. Damaged pictures left
    // out are told to the teacher on the user-interface thread.
    bool ExportPdf(QString& folder, QString& fileName,
                   const std::optional<std::vector<int>>& pictures = std::nullopt);
    // One picture to the whiteboard (the automatic hand-off); see BoardHandOff.
    bool HandOffPicture(int n) { return m_handOff.HandOffPicture(n); }
    bool HandOffNewPicture(int n) { return m_handOff.HandOffNewPicture(n); }

    // Copy of the listed numbers, in list order; safe from any thread.
    std::vector<int> pictureNumbers() const;
    int rowCount() const;
    bool isChecked(int row) const;
    // The image of a row (what the image list holds for it).
    QPixmap rowImage(int row) const;

    // The picture the main dialog shows, -1 when none.
    int currentPicture() const { return m_currentPicture; }
    void setCurrentPicture(int n) { m_currentPicture = n; }
    bool boardPromptShown() const { return m_boardPromptShown; }

protected:
    bool event(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildControls();
    void placeControls();
    QPixmap loadThumbnail(int n) const;
    QListWidgetItem* newRow(int image);
    void rebuildRows();
    void setRowChecked(int row, bool checked);
    void removeAt(int row);
    void OnListClick(QListWidgetItem* item);
    void onRowCheckChanged(QListWidgetItem* item);
    std::vector<int> checkedPictures() const;
    QString askSavePath(const QString& proposedName) const;
    void startExport(QString folder, QString name, std::vector<int> numbers);
    void exportProgress(int done);
    void exportFinished(const pictures::ExportRunner::Result& result);
    void tell(int textId, const QString& extra = {});
    void tellLeftOut(int count);
    static QString desktopFolder();

    pictures::PicListHost& m_host;
    Options m_options;
    pictures::PdfExport m_export;
    pictures::BoardHandOff m_handOff;

    mutable std::mutex m_numbersLock;  // the share's worker reads the numbers
    std::vector<int> m_pictureNumbers;
    std::vector<QPixmap> m_images;
    int m_currentPicture = -1;
    bool m_boardPromptShown = false;

    QListWidget* m_list = nullptr;
    QCheckBox* m_selectAll = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_import = nullptr;
    QPushButton* m_exportButton = nullptr;
    // Check state of the row under a press, to tell a click on its check box from one on the row.
    QListWidgetItem* m_pressedItem = nullptr;
    Qt::CheckState m_pressedState = Qt::Unchecked;
    bool m_settingChecks = false;

    std::unique_ptr<pictures::ExportProgress> m_progress;
    // Last: stopped first, while the export and the store it reaches are still there.
    pictures::ExportRunner m_exports;
};
