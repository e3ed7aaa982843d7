#include "PicListView.h"

#include "lang/TextIds.h"
#include "platform/Message.h"
#include "platform/MessageBoxTypes.h"
#include "platform/MessageIds.h"
#include "platform/Mirror.h"
#include "platform/RowFit.h"
#include "platform/ui/TextNeed.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardPaths>

namespace {

// The window and its controls in dialog units: x, y, width, height.
constexpr QRect kWindowDlu(0, 0, 151, 258);
constexpr QRect kListDlu(7, 7, 136, 213);
constexpr QRect kSelectAllDlu(10, 221, 32, 10);
constexpr QRect kDeleteDlu(7, 235, 38, 22);
constexpr QRect kImportDlu(51, 235, 44, 22);
constexpr QRect kExportDlu(101, 235, 42, 22);

// Dialog units to pixels, from the average character size of the window's font.
QRect fromDialogUnits(const QRect& r, const QFontMetrics& fm) {
    const int baseX = (fm.horizontalAdvance(
                           QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                           26 +
                       1) /
                      2;
    const int baseY = fm.height();
    return {r.x() * baseX / 4, r.y() * baseY / 8, r.width() * baseX / 4, r.height() * baseY / 8};
}

}  // namespace

CPicListView::CPicListView(pictures::PicListHost& host, QWidget* owner, Options options)
    : QDialog(owner, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_host(host),
      m_options(std::move(options)),
      m_export(host.pictureStore(), m_options.output, m_options.now),
      m_handOff(host) {
    setWindowTitle(QString());
    buildControls();
    placeControls();
    // The pictures of a lesson that did not end in order are listed as if taken in this run.
    for (int n : m_host.pictureStore().keptPictures()) AddPicture(n);
}

void CPicListView::tellKeptPictures() {
    if (!m_host.pictureStore().keptPictures().empty()) tell(text::kLessonBack);
}

CPicListView::~CPicListView() {
    // The program ends under an export (its window system or session went): the export is let
    // finish, and if it failed the pictures wait for the next start as after an exit's failure.
    const std::optional<pictures::ExportRunner::Result> untold = m_exports.stop();
    if (untold && !untold->saved) m_export.store().holdRun();
}

void CPicListView::buildControls() {
    m_list = new QListWidget(this);
    m_list->setObjectName(QString::number(kList));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setIconSize(QSize(kThumbnailSize, kThumbnailSize));
    m_list->setUniformItemSizes(true);
    m_list->setWordWrap(false);
    m_selectAll = new QCheckBox(m_host.text(text::kSelectAll), this);
    m_selectAll->setObjectName(QString::number(kSelectAll));
    m_delete = new QPushButton(m_host.text(text::kDelete), this);
    m_delete->setObjectName(QString::number(kDelete));
    m_import = new QPushButton(m_host.text(text::kImport), this);
    m_import->setObjectName(QString::number(kImport));
    m_exportButton = new QPushButton(m_host.text(text::kExport), this);
    m_exportButton->setObjectName(QString::number(kExport));
    for (QPushButton* b : {m_delete, m_import, m_exportButton}) b->setAutoDefault(false);

    connect(m_selectAll, &QCheckBox::clicked, this, [this] { OnSelectAll(); });
    connect(m_delete, &QPushButton::clicked, this, [this] { OnDelete(); });
    connect(m_import, &QPushButton::clicked, this, [this] { OnImport(); });
    connect(m_exportButton, &QPushButton::clicked, this, [this] { OnExport(); });
    // The press on a check box never reaches the view's pressed signal: watch the presses here.
    m_list->viewport()->installEventFilter(this);
    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { OnListClick(item); });
    connect(m_list, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item) { onRowCheckChanged(item); });
}

void CPicListView::placeControls() {
    const QFontMetrics fm(font());
    const QRect window = fromDialogUnits(kWindowDlu, fm);
    const int margin = fromDialogUnits(kListDlu, fm).x();
    QRect selectAll = fromDialogUnits(kSelectAllDlu, fm);
    selectAll.setWidth(std::max(selectAll.width(), platform::textWidthNeeded(*m_selectAll)));
    std::vector<QRect> buttons{fromDialogUnits(kDeleteDlu, fm), fromDialogUnits(kImportDlu, fm),
                               fromDialogUnits(kExportDlu, fm)};
    platform::fitRow(buttons,
                     {platform::textWidthNeeded(*m_delete), platform::textWidthNeeded(*m_import),
                      platform::textWidthNeeded(*m_exportButton)});
    // The window grows only when a text would be cut; otherwise it keeps the template's size.
    const QRect list = fromDialogUnits(kListDlu, fm);
    const bool grows = selectAll.right() > list.right() || buttons.back().right() > list.right();
    const int width =
        grows ? platform::widthHolding(window.width(), {selectAll, buttons.back()}, margin)
              : window.width();
    resize(width, window.height());
    const bool rtl = isRightToLeft();
    m_list->setGeometry(platform::placed(list, width, rtl));
    m_selectAll->setGeometry(platform::placed(selectAll, width, rtl));
    m_delete->setGeometry(platform::placed(buttons[0], width, rtl));
    m_import->setGeometry(platform::placed(buttons[1], width, rtl));
    m_exportButton->setGeometry(platform::placed(buttons[2], width, rtl));
}

void CPicListView::changeEvent(QEvent* e) {
    QDialog::changeEvent(e);
    const bool relevant =
        e->type() == QEvent::LayoutDirectionChange || e->type() == QEvent::FontChange;
    if (m_list != nullptr && relevant) placeControls();
}

bool CPicListView::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_list->viewport() && e->type() == QEvent::MouseButtonPress) {
        m_pressedItem = m_list->itemAt(static_cast<QMouseEvent*>(e)->position().toPoint());
        m_pressedState = m_pressedItem != nullptr ? m_pressedItem->checkState() : Qt::Unchecked;
    }
    return QDialog::eventFilter(watched, e);
}

bool CPicListView::event(QEvent* e) {
    if (const auto* m = platform::asMessage(e, msg::kPictureAdded)) {
        AddPicture(msg::pictureNumberOf(*m));
        return true;
    }
    if (const auto* m = platform::asMessage(e, msg::kPicturesLeftOut)) {
        tellLeftOut(static_cast<int>(m->wParam));
        return true;
    }
    return QDialog::event(e);
}

QPixmap CPicListView::loadThumbnail(int n) const {
    const camera::PictureStore& store = m_host.pictureStore();
    const QString path = camera::PictureStore::findFile(
        store.thumbnailFolder() + camera::PictureStore::tenDigits(n) + ".BMP");
    QPixmap image(path);
    if (image.isNull()) {
        // A blank image keeps the row in step with its picture.
        image = QPixmap(kThumbnailSize, kThumbnailSize);
        image.fill(Qt::white);
    } else if (image.size() != QSize(kThumbnailSize, kThumbnailSize)) {
        image = image.scaled(kThumbnailSize, kThumbnailSize, Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
    }
    return image;
}

QListWidgetItem* CPicListView::newRow(int image) {
    auto* item = new QListWidgetItem(QIcon(m_images[static_cast<size_t>(image)]), QString());
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    // The row shows only a thumbnail: a screen reader says "Picture 3".
    item->setData(Qt::AccessibleTextRole,
                  QStringLiteral("%1 %2").arg(m_host.text(text::kPicture)).arg(image + 1));
    return item;
}

int CPicListView::AddPicture(int n) {
    {
        const std::lock_guard lock(m_numbersLock);
        m_pictureNumbers.push_back(n);
    }
    m_images.push_back(loadThumbnail(n));
    m_settingChecks = true;
    m_list->addItem(newRow(static_cast<int>(m_images.size()) - 1));
    m_settingChecks = false;
    m_selectAll->setChecked(false);
    return 0;
}

void CPicListView::OnSelectAll() {
    SetAllChecks(m_selectAll->isChecked());
}

void CPicListView::setRowChecked(int row, bool checked) {
    m_list->item(row)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void CPicListView::SetAllChecks(bool checked) {
    m_settingChecks = true;
    for (int i = 0; i < m_list->count(); ++i) setRowChecked(i, checked);
    m_settingChecks = false;
    m_selectAll->setChecked(checked);
}

void CPicListView::onRowCheckChanged(QListWidgetItem*) {
    if (m_settingChecks) return;
    // Select all tells whether every row is checked, however a row's mark was changed.
    bool all = m_list->count() > 0;
    for (int i = 0; i < m_list->count() && all; ++i) all = isChecked(i);
    m_selectAll->setChecked(all);
}

void CPicListView::OnListClick(QListWidgetItem* item) {
    const bool onCheckBox = item == m_pressedItem && item->checkState() != m_pressedState;
    m_pressedItem = nullptr;
    if (onCheckBox) return;
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.size() != 1) return;
    const int row = m_list->row(selected.front());
    if (row < 0 || row >= static_cast<int>(m_pictureNumbers.size())) return;
    m_currentPicture = m_pictureNumbers[static_cast<size_t>(row)];
    platform::postMessage(m_host.mainWindow(), msg::kShowPicture,
                          static_cast<quintptr>(m_currentPicture), 0);
}

std::vector<int> CPicListView::checkedPictures() const {
    std::vector<int> numbers;
    for (int i = 0; i < m_list->count(); ++i)
        if (isChecked(i)) numbers.push_back(m_pictureNumbers[static_cast<size_t>(i)]);
    return numbers;
}

QString CPicListView::desktopFolder() {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return !desktop.isEmpty() && QFileInfo(desktop).isDir() ? desktop : QDir::homePath();
}

QString CPicListView::askSavePath(const QString& proposedName) const {
    // No owner, like every box of the program; on top, since the list itself stays on top.
    // The filter's label in the teacher's language; its patterns are the same in every pack.
    QFileDialog dialog(nullptr, QString(), desktopFolder(), m_host.text(text::kPdfFilter));
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

void CPicListView::OnExport() {
    if (m_exports.running()) return;
    std::vector<int> numbers = checkedPictures();
    if (numbers.empty()) return;
    const QString path = askSavePath(pictures::PdfExport::generatedName(
        m_options.now ? m_options.now() : QDateTime::currentDateTime()));
    if (path.isEmpty()) return;
    const qsizetype cut = path.lastIndexOf('/') + 1;
    startExport(path.left(cut), path.mid(cut), std::move(numbers));
}

void CPicListView::startExport(QString folder, QString name, std::vector<int> numbers) {
    const int total = static_cast<int>(numbers.size());
    // The worker has its own copy of everything it changes; the export and the store it reads
    // stay until the runner has stopped.
    const pictures::PdfExport* exporter = &m_export;
    auto work = [exporter, folder = std::move(folder), name = std::move(name),
                 numbers =
                     std::move(numbers)](const pictures::PdfExport::Progress& progress) mutable {
        pictures::ExportRunner::Result result;
        result.saved = exporter->ExportPdf(folder, name, numbers, &result.leftOut, progress);
        return result;
    };
    if (!m_exports.start(
            std::move(work), [this](int done, int) { exportProgress(done); },
            [this](const pictures::ExportRunner::Result& r) { exportFinished(r); }))
        return;
    // Pictures deleted under the export would go missing from it.
    m_exportButton->setEnabled(false);
    m_delete->setEnabled(false);
    m_progress = std::make_unique<pictures::ExportProgress>(m_host.text(text::kExporting), total,
                                                            m_options.progressAfterMs);
}

void CPicListView::exportProgress(int done) {
    if (m_progress) m_progress->advance(done);
}

void CPicListView::exportFinished(const pictures::ExportRunner::Result& result) {
    m_progress.reset();
    m_exportButton->setEnabled(true);
    m_delete->setEnabled(true);
    hide();
    if (!result.saved) {
        // Also at exit: the pictures wait for the next start instead of being lost.
        m_host.pictureStore().holdRun();
        tell(text::kExportFailed);
    } else if (result.leftOut > 0) {
        tellLeftOut(result.leftOut);
    }
}

void CPicListView::tell(int textId, const QString& extra) {
    m_host.ShowMessage(m_host.text(textId) + extra, m_host.text(text::kCaption),
                       platform::kMbOk | platform::kMbSystemModal);
}

void CPicListView::tellLeftOut(int count) {
    tell(text::kPicturesLeftOut, ' ' + QString::number(count));
}

void CPicListView::removeAt(int row) {
    const auto at = static_cast<size_t>(row);
    int number;
    {
        const std::lock_guard lock(m_numbersLock);
        number = m_pictureNumbers[at];
        m_pictureNumbers.erase(m_pictureNumbers.begin() + row);
    }
    m_images.erase(m_images.begin() + row);
    delete m_list->takeItem(row);
    m_host.pictureStore().removePicture(number);
}

void CPicListView::rebuildRows() {
    m_settingChecks = true;
    m_list->clear();
    for (size_t j = 0; j < m_images.size(); ++j) m_list->addItem(newRow(static_cast<int>(j)));
    m_settingChecks = false;
}

void CPicListView::OnDelete() {
    bool deleted = false;
    for (int i = 0; i < m_list->count();) {
        if (!isChecked(i)) {
            ++i;
            continue;
        }
        if (m_currentPicture == m_pictureNumbers[static_cast<size_t>(i)]) {
            m_currentPicture = -1;
            if (m_host.pictureShown()) m_host.ChangeToCapture();
        }
        removeAt(i);
        deleted = true;
    }
    if (deleted) rebuildRows();
}

void CPicListView::clear() {
    for (int i = m_list->count() - 1; i >= 0; --i) removeAt(i);
    m_list->clear();
}

void CPicListView::OnImport() {
    if (!m_host.whiteboardRunning()) {
        if (!m_boardPromptShown) {
            m_boardPromptShown = true;
            m_host.ShowMessage(m_host.text(text::kNoWhiteboard), m_host.text(text::kCaption),
                               platform::kMbOk | platform::kMbSystemModal);
            m_boardPromptShown = false;
        }
        return;
    }
    m_host.ReadBoardInstallPath();
    m_host.clearPenStrokesIfDrawing();
    if (checkedPictures().empty()) {
        m_host.ShowMessageOnce(text::kNoPictureToShare);
        return;
    }
    m_host.ShowView(false);
    for (int j = 0; j < m_list->count(); ++j) {
        if (!isChecked(j)) continue;
        m_handOff.HandOffPicture(m_pictureNumbers[static_cast<size_t>(j)]);
        setRowChecked(j, false);
    }
}

bool CPicListView::ExportPdf(QString& folder, QString& fileName,
                             const std::optional<std::vector<int>>& pictures) {
    int leftOut = 0;
    const bool saved =
        m_export.ExportPdf(folder, fileName, pictures ? *pictures : pictureNumbers(), &leftOut);
    // The share's worker may be the caller: the box opens on the list's own thread.
    if (leftOut > 0)
        platform::postMessage(this, msg::kPicturesLeftOut, static_cast<quintptr>(leftOut), 0);
    return saved;
}

std::vector<int> CPicListView::pictureNumbers() const {
    const std::lock_guard lock(m_numbersLock);
    return m_pictureNumbers;
}

int CPicListView::rowCount() const {
    return m_list->count();
}

bool CPicListView::isChecked(int row) const {
    const QListWidgetItem* item = m_list->item(row);
    return item != nullptr && item->checkState() == Qt::Checked;
}

QPixmap CPicListView::rowImage(int row) const {
    return row >= 0 && row < static_cast<int>(m_images.size()) ? m_images[static_cast<size_t>(row)]
                                                               : QPixmap();
}
