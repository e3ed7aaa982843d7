#include "lang/TextIds.h"
#include "pictures/ui/PicListView.h"
#include "platform/Message.h"
#include "platform/MessageIds.h"
#include "tests/pictures/PictureFixture.h"
#include "tests/pictures/RecordingHost.h"
#include "tests/support/CutTexts.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/PackTexts.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TextPlace.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <thread>

using picturetest::RecordingHost;

namespace {

class PicListViewTest : public picturetest::PictureFixture {
protected:
    PicListViewTest() : host(store) { makeView(); }

    void makeView(int progressAfterMs = CPicListView::Options().progressAfterMs) {
        view.reset();
        CPicListView::Options options;
        options.output = [this](const QByteArray& t) { messages += QString::fromUtf8(t); };
        options.now = [] { return QDateTime(QDate(2024, 3, 7), QTime(9, 41)); };
        options.progressAfterMs = progressAfterMs;
        view = std::make_unique<CPicListView>(host, nullptr, options);
    }

    // Pictures taken and announced as the main dialog announces them.
    void take(std::initializer_list<int> numbers) {
        for (int n : numbers) {
            writePicture(n, {320 + 16 * n, 240});
            platform::postMessage(view.get(), msg::kPictureAdded, static_cast<quintptr>(n), 0);
        }
        QApplication::processEvents();
    }
    QListWidget* list() const { return view->findChild<QListWidget*>("1005"); }
    QCheckBox* selectAll() const { return view->findChild<QCheckBox*>("1001"); }
    QPushButton* button(CPicListView::Control id) const {
        return view->findChild<QPushButton*>(QString::number(id));
    }
    void check(int row, bool on = true) {
        list()->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    QImage thumbnailOf(int n) const { return QImage(store.thumbnailPath(n)); }
    static QImage image(const QPixmap& p) {
        return p.toImage().convertToFormat(QImage::Format_RGB888);
    }
    QImage rowIcon(int row) const {
        return image(list()->item(row)->icon().pixmap(CPicListView::kThumbnailSize));
    }

    RecordingHost host;
    QString messages;
    std::unique_ptr<CPicListView> view;
};

// Runs `act` on the next modal window other than `current` that opens, while the caller's own
// modal loop runs; gives up once `current` has closed.
void onNextModal(std::function<void(QWidget*)> act, QWidget* current = nullptr) {
    QPointer<QWidget> open(current);
    QTimer::singleShot(0, [act, open, current] {
        QWidget* modal = nullptr;
        testsupport::MessageRecorder::waitUntil(
            [&] {
                modal = QApplication::activeModalWidget();
                if (current != nullptr && (open.isNull() || !open->isVisible())) return true;
                return modal != nullptr && modal != current;
            },
            5000);
        if (modal != nullptr && modal != current) act(modal);
    });
}

}  // namespace

TEST_F(PicListViewTest, TheControlsCarryTheirTexts) {
    EXPECT_EQ(selectAll()->text(), "#20026");
    EXPECT_EQ(button(CPicListView::kDelete)->text(), "#20027");
    EXPECT_EQ(button(CPicListView::kExport)->text(), "#20028");
    EXPECT_EQ(button(CPicListView::kImport)->text(), "#20029");
    EXPECT_TRUE(view->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(view->currentPicture(), -1);
}

TEST_F(PicListViewTest, EachPictureTakenAddsARowAndClearsSelectAll) {
    for (int n : {1, 2, 3}) {
        view->SetAllChecks(true);
        take({n});
        EXPECT_FALSE(selectAll()->isChecked()) << "after picture " << n;
        EXPECT_FALSE(view->isChecked(n - 1));
    }
    EXPECT_EQ(view->rowCount(), 3);
    EXPECT_EQ(view->pictureNumbers(), (std::vector<int>{1, 2, 3}));
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(image(view->rowImage(row)),
                  thumbnailOf(row + 1).convertToFormat(QImage::Format_RGB888));
        EXPECT_EQ(rowIcon(row), image(view->rowImage(row)));
    }
}

TEST_F(PicListViewTest, SelectAllFollowsTheRowsAndSetsThemAll) {
    take({1, 2, 3});
    check(0);
    check(1);
    EXPECT_FALSE(selectAll()->isChecked());
    check(2);
    EXPECT_TRUE(selectAll()->isChecked()) << "the last row checked";
    check(1, false);
    EXPECT_FALSE(selectAll()->isChecked()) << "any row unchecked";

    selectAll()->click();
    for (int row = 0; row < 3; ++row) EXPECT_TRUE(view->isChecked(row));
    selectAll()->click();
    for (int row = 0; row < 3; ++row) EXPECT_FALSE(view->isChecked(row));
}

TEST_F(PicListViewTest, AClickOnARowShowsItsPictureAndOnItsCheckBoxDoesNot) {
    take({4, 5, 6});
    view->show();
    QListWidget* l = list();
    const QRect row = l->visualItemRect(l->item(1));
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, row.center());
    QApplication::processEvents();
    const auto shown = host.window.of(msg::kShowPicture);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].wParam, 5u);
    EXPECT_EQ(shown[0].lParam, 0);
    EXPECT_EQ(view->currentPicture(), 5);

    // Where the style puts the row's check box.
    QStyleOptionViewItem option;
    option.initFrom(l);
    option.rect = l->visualItemRect(l->item(2));
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration;
    option.decorationSize = l->iconSize();
    const QRect box = l->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, l);
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, box.center());
    QApplication::processEvents();
    ASSERT_TRUE(view->isChecked(2)) << "no check box at " << box.x() << "," << box.y();
    EXPECT_EQ(host.window.of(msg::kShowPicture).size(), 1u) << "a check is no show";
}

TEST_F(PicListViewTest, DeletingCheckedRowsKeepsTheOthersWithTheirThumbnails) {
    take({1, 2, 3, 4});
    const QImage second = image(view->rowImage(1));
    const QImage fourth = image(view->rowImage(3));
    check(0);
    check(2);
    button(CPicListView::kDelete)->click();
    EXPECT_EQ(view->pictureNumbers(), (std::vector<int>{2, 4}));
    ASSERT_EQ(view->rowCount(), 2);
    EXPECT_FALSE(view->isChecked(0));
    EXPECT_FALSE(view->isChecked(1));
    EXPECT_EQ(image(view->rowImage(0)), second);
    EXPECT_EQ(image(view->rowImage(1)), fourth);
    EXPECT_EQ(rowIcon(0), second);
    EXPECT_EQ(rowIcon(1), fourth);
    for (int gone : {1, 3}) {
        EXPECT_FALSE(QFile::exists(store.picturePath(gone)));
        EXPECT_FALSE(QFile::exists(store.thumbnailPath(gone)));
    }
    for (int kept : {2, 4}) EXPECT_TRUE(QFile::exists(store.picturePath(kept)));
    EXPECT_EQ(host.changesToCapture, 0);
}

TEST_F(PicListViewTest, DeletingTheShownPictureReturnsToLiveVideo) {
    take({1, 2, 3});
    view->setCurrentPicture(2);
    host.shown = true;
    check(0);
    view->OnDelete();
    EXPECT_EQ(view->currentPicture(), 2) << "another picture deleted";
    EXPECT_EQ(host.changesToCapture, 0);
    check(0);
    view->OnDelete();
    EXPECT_EQ(view->currentPicture(), -1);
    EXPECT_EQ(host.changesToCapture, 1);
    EXPECT_EQ(view->pictureNumbers(), (std::vector<int>{3}));
}

TEST_F(PicListViewTest, AThumbnailThatWillNotLoadKeepsRowsImagesAndNumbersTogether) {
    take({1});
    writePicture(2, {320, 240});
    writeFile(store.thumbnailPath(2), "broken");
    platform::postMessage(view.get(), msg::kPictureAdded, 2, 0);
    platform::postMessage(view.get(), msg::kPictureAdded, 3, 0);  // no files at all
    take({4});
    EXPECT_EQ(view->rowCount(), 4);
    EXPECT_EQ(view->pictureNumbers(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(view->rowImage(1).size(), QSize(180, 180));
    EXPECT_EQ(view->rowImage(2).size(), QSize(180, 180));
    const QImage fourth = image(view->rowImage(3));
    check(1);
    check(2);
    view->OnDelete();
    EXPECT_EQ(view->pictureNumbers(), (std::vector<int>{1, 4}));
    EXPECT_EQ(image(view->rowImage(1)), fourth);
    EXPECT_EQ(rowIcon(1), fourth);
}

TEST_F(PicListViewTest, ClearRemovesEveryRowAndFile) {
    take({1, 2});
    view->setCurrentPicture(1);
    view->clear();
    EXPECT_EQ(view->rowCount(), 0);
    EXPECT_TRUE(view->pictureNumbers().empty());
    EXPECT_FALSE(QFile::exists(store.picturePath(1)));
    EXPECT_FALSE(QFile::exists(store.thumbnailPath(2)));
    EXPECT_EQ(view->currentPicture(), 1);
}

class PicListExportTest : public PicListViewTest {
protected:
    PicListExportTest() : oldHome(qgetenv("HOME")), oldConfig(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("HOME", tmp.file("home").toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", tmp.file("home/.config").toLocal8Bit());
        QDir().mkpath(desktop());
    }
    ~PicListExportTest() override {
        qputenv("HOME", oldHome);
        if (oldConfig.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldConfig);
    }
    QString desktop() const { return tmp.file("home/Desktop"); }

    // Answers the save dialog with a file name, and the overwrite question with yes.
    void answerSaveDialog(const QString& path) {
        onNextModal([this, path](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dialog, nullptr);
            seenDirectory = dialog->directory().absolutePath();
            seenFiles = dialog->selectedFiles();
            seenFilters = dialog->nameFilters();
            onNextModal(
                [this](QWidget* box) {
                    if (auto* question = qobject_cast<QMessageBox*>(box)) {
                        ++overwriteQuestions;
                        question->button(QMessageBox::Yes)->click();
                    }
                },
                dialog);
            dialog->selectFile(path);
            static_cast<QDialog*>(dialog)->accept();  // the file dialog's own checks run
        });
    }

    void exportAndWait() {
        view->OnExport();
        view->waitForExport();
    }

    static QProgressDialog* progressWindow() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<QProgressDialog*>(w); p != nullptr && p->isVisible())
                return p;
        return nullptr;
    }

    QByteArray oldHome, oldConfig;
    QString seenDirectory;
    QStringList seenFiles, seenFilters;
    int overwriteQuestions = 0;
};

TEST_F(PicListExportTest, NothingCheckedOpensNoDialog) {
    take({1});
    view->OnExport();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(QDir(desktop()).isEmpty());
}

TEST_F(PicListExportTest, TheCheckedPicturesGoWhereTheUserSaysAskingBeforeOverwriting) {
    take({1, 2, 3});
    view->show();
    check(0);
    check(2);
    answerSaveDialog(desktop() + "/lesson.pdf");
    exportAndWait();
    EXPECT_EQ(seenDirectory, desktop());
    ASSERT_EQ(seenFiles.size(), 1);
    EXPECT_TRUE(seenFiles[0].endsWith("/2024030709.pdf")) << seenFiles[0].toStdString();
    // The filter's label is the pack's text for it.
    EXPECT_EQ(seenFilters, QStringList({QStringLiteral("#%1").arg(text::kPdfFilter)}));
    const QString pdf = desktop() + "/lesson.pdf";
    EXPECT_TRUE(qpdfAccepts(pdf));
    EXPECT_EQ(pageSizes(pdf), QStringList({"336x240", "368x240"}));
    EXPECT_FALSE(view->isVisible()) << "the list steps aside after an export";
    EXPECT_EQ(overwriteQuestions, 0);

    check(1);
    answerSaveDialog(pdf);
    exportAndWait();
    EXPECT_EQ(overwriteQuestions, 1);
    EXPECT_EQ(pageCount(pdf), 3);
    EXPECT_TRUE(qpdfAccepts(pdf));
}

TEST_F(PicListExportTest, WithoutADesktopFolderTheDialogOpensAtHome) {
    QDir(desktop()).removeRecursively();
    take({1});
    check(0);
    answerSaveDialog(tmp.file("home/at-home.pdf"));
    exportAndWait();
    EXPECT_EQ(seenDirectory, tmp.file("home"));
    EXPECT_TRUE(qpdfAccepts(tmp.file("home/at-home.pdf")));
}

TEST_F(PicListExportTest, TheShareExportsEveryListedPictureUnderTheGeneratedName) {
    take({1, 2});
    QString folder, name;
    ASSERT_TRUE(view->ExportPdf(folder, name));
    EXPECT_EQ(folder + name, store.imageFolder() + "2024030709.pdf");
    EXPECT_EQ(pageCount(folder + name), 2);
    EXPECT_TRUE(qpdfAccepts(folder + name));
}

// A full disk at the export (also the one at exit): the teacher is told, and the run is held so
// the pictures come back at the next start instead of being emptied.
TEST_F(PicListExportTest, AnExportOntoAFullDiskSaysSoAndKeepsTheLesson) {
    take({1, 2, 3});
    view->SetAllChecks(true);
    answerSaveDialog(desktop() + "/full.pdf");
    {
        const testsupport::FileSizeLimit fullDisk(4096);
        exportAndWait();
    }
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, QStringLiteral("#%1").arg(text::kExportFailed));
    EXPECT_EQ(host.boxes[0].caption, QStringLiteral("#%1").arg(text::kCaption));
    EXPECT_TRUE(store.runHeld());
    EXPECT_FALSE(QFile::exists(desktop() + "/full.pdf"));
    EXPECT_FALSE(messages.isEmpty());

    store.endRun();
    camera::PictureStore next(tmp.path());
    next.prepare();
    EXPECT_EQ(next.keptPictures(), (std::vector<int>{1, 2, 3}));
}

TEST_F(PicListExportTest, ASuccessfulExportTellsNothingAndHoldsNothing) {
    take({1});
    check(0);
    answerSaveDialog(desktop() + "/fine.pdf");
    exportAndWait();
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_FALSE(store.runHeld());
}

TEST_F(PicListExportTest, ADamagedPictureIsLeftOutAndTheTeacherToldHowMany) {
    take({1, 2, 3, 4, 5, 6});
    const QByteArray whole = readFile(store.picturePath(4));
    writeFile(store.picturePath(4), whole.left(whole.size() / 2));
    view->SetAllChecks(true);
    answerSaveDialog(desktop() + "/five.pdf");
    exportAndWait();
    EXPECT_EQ(pageCount(desktop() + "/five.pdf"), 5);
    EXPECT_TRUE(qpdfAccepts(desktop() + "/five.pdf"));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, QStringLiteral("#%1 1").arg(text::kPicturesLeftOut));
    EXPECT_FALSE(store.runHeld());

    // The share exports on its worker: the count reaches the teacher on the list's thread.
    host.boxes.clear();
    QString folder, name;
    std::thread worker([&] { EXPECT_TRUE(view->ExportPdf(folder, name)); });
    worker.join();
    EXPECT_TRUE(host.boxes.empty());
    QApplication::processEvents();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, QStringLiteral("#%1 1").arg(text::kPicturesLeftOut));
    EXPECT_EQ(pageCount(folder + name), 5);
}

// An export takes as long as its pictures need: the window answers meanwhile and shows the
// export's progress; the list starts no second export and deletes nothing being exported.
TEST_F(PicListExportTest, TheExportRunsBesideTheWindowWithItsProgressShown) {
    makeView(0);
    take({1, 2, 3, 4});
    view->show();
    view->SetAllChecks(true);
    answerSaveDialog(desktop() + "/long.pdf");
    view->OnExport();
    ASSERT_TRUE(view->exportRunning());
    EXPECT_FALSE(button(CPicListView::kExport)->isEnabled());
    EXPECT_FALSE(button(CPicListView::kDelete)->isEnabled());
    const QProgressDialog* progress = progressWindow();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->labelText(), QStringLiteral("#%1").arg(text::kExporting));
    EXPECT_EQ(progress->maximum(), 4);
    view->OnExport();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "no second save dialog";

    view->waitForExport();
    EXPECT_FALSE(view->exportRunning());
    EXPECT_EQ(progressWindow(), nullptr);
    EXPECT_TRUE(button(CPicListView::kExport)->isEnabled());
    EXPECT_TRUE(button(CPicListView::kDelete)->isEnabled());
    EXPECT_FALSE(view->isVisible());
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(pageCount(desktop() + "/long.pdf"), 4);
    EXPECT_TRUE(qpdfAccepts(desktop() + "/long.pdf"));
}

// The program ends under an export: the export is finished first, and a failed one keeps the
// lesson for the next start, without a box from a window that is going away.
TEST_F(PicListExportTest, AListGoingAwayFinishesItsExportAndKeepsAFailedOnesLesson) {
    take({1, 2});
    view->SetAllChecks(true);
    answerSaveDialog(desktop() + "/end.pdf");
    view->OnExport();
    ASSERT_TRUE(view->exportRunning());
    view.reset();
    EXPECT_TRUE(qpdfAccepts(desktop() + "/end.pdf"));
    EXPECT_EQ(pageCount(desktop() + "/end.pdf"), 2);
    EXPECT_FALSE(store.runHeld());

    makeView();
    take({3, 4});
    view->SetAllChecks(true);
    answerSaveDialog(desktop() + "/full.pdf");
    {
        const testsupport::FileSizeLimit fullDisk(4096);
        view->OnExport();
        ASSERT_TRUE(view->exportRunning());
        view.reset();
    }
    EXPECT_TRUE(store.runHeld());
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_FALSE(QFile::exists(desktop() + "/full.pdf"));
}

// The list of a start after a crash shows the lesson that came back, and says so once asked.
TEST(PicListKeptLesson, PicturesBroughtBackAreListedFromTheStart) {
    testsupport::TempDir tmp;
    camera::PictureStore crashed(tmp.path());
    crashed.prepare();
    for (int n : {2, 5}) {
        ASSERT_TRUE(picturetest::testPicture({320, 240}, n).save(crashed.picturePath(n), "JPG"));
        ASSERT_TRUE(camera::PictureImaging::thumbnail(picturetest::testPicture({320, 240}, n))
                        .save(crashed.thumbnailPath(n), "BMP"));
    }
    camera::PictureStore store(tmp.path());
    store.prepare();
    RecordingHost host(store);
    CPicListView view(host);
    EXPECT_EQ(view.pictureNumbers(), (std::vector<int>{2, 5}));
    EXPECT_EQ(view.rowCount(), 2);
    EXPECT_FALSE(view.rowImage(1).isNull());
    view.tellKeptPictures();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, QStringLiteral("#%1").arg(text::kLessonBack));

    camera::PictureStore fresh(tmp.path());
    store.endRun();
    fresh.prepare();
    RecordingHost freshHost(fresh);
    CPicListView empty(freshHost);
    EXPECT_EQ(empty.rowCount(), 0);
    empty.tellKeptPictures();
    EXPECT_TRUE(freshHost.boxes.empty());
}

namespace {

class PicListViewLanguages : public picturetest::PictureFixture {
protected:
    PicListViewLanguages() : host(store) {}
    void open(const QString& code) {
        view.reset();
        host.pack = testsupport::readPack(code);
        ASSERT_FALSE(host.pack.empty()) << code.toStdString();
        view = std::make_unique<CPicListView>(host, nullptr, CPicListView::Options{});
    }
    QWidget* child(int id) const { return view->findChild<QWidget*>(QString::number(id)); }

    RecordingHost host;
    std::unique_ptr<CPicListView> view;
};

TEST_F(PicListViewLanguages, EveryPacksTextsShowWhole) {
    for (const QString& code : testsupport::packCodes()) {
        open(code);
        EXPECT_EQ(testsupport::cutTexts(*view).join(u'\n').toStdString(), "") << code.toStdString();
        // The buttons stay in one row below the list, in their order.
        EXPECT_LT(child(CPicListView::kDelete)->geometry().right(),
                  child(CPicListView::kImport)->x());
        EXPECT_LT(child(CPicListView::kImport)->geometry().right(),
                  child(CPicListView::kExport)->x());
        if (code == "ar") {
            view->setLayoutDirection(Qt::RightToLeft);
            EXPECT_EQ(testsupport::cutTexts(*view).join(u'\n').toStdString(), "")
                << "right-to-left";
            EXPECT_EQ(testsupport::misplacedTexts(*view).join(u'\n').toStdString(), "");
        }
        testsupport::saveShot(*view, "picture-list-" + code);
    }
}

TEST_F(PicListViewLanguages, RightToLeftMirrorsTheButtonsAndSelectAll) {
    open("ar");
    const int w = view->width();
    std::map<int, QRect> ltr;
    for (int id : {CPicListView::kList, CPicListView::kSelectAll, CPicListView::kDelete,
                   CPicListView::kImport, CPicListView::kExport})
        ltr[id] = child(id)->geometry();
    view->setLayoutDirection(Qt::RightToLeft);
    EXPECT_EQ(view->width(), w);
    for (const auto& [id, r] : ltr)
        EXPECT_EQ(child(id)->geometry(), QRect(w - r.x() - r.width(), r.y(), r.width(), r.height()))
            << id;
    // Delete first, at the right; Select all under the list's right edge.
    EXPECT_GT(child(CPicListView::kDelete)->x(), child(CPicListView::kExport)->x());
    EXPECT_EQ(child(CPicListView::kSelectAll)->geometry().right(),
              child(CPicListView::kList)->geometry().right() -
                  (ltr[CPicListView::kSelectAll].x() - ltr[CPicListView::kList].x()));
}

}  // namespace
