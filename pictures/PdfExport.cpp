#include "PdfExport.h"

#include "pictures/JpegCheck.h"
#include "platform/Log.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryFile>

#include <hpdf.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <type_traits>

namespace pictures {

namespace {

constexpr HPDF_REAL kFontSize = 12;
constexpr HPDF_REAL kTextLeading = 16;
constexpr QFileDevice::Permissions kNewFilePermissions =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
    QFileDevice::ReadOther;
// The last bytes libharu writes into every document.
constexpr char kTrailer[] = "\n%%EOF\n";
constexpr int kTrailerBytes = sizeof kTrailer - 1;

QString exportFailed(const QString& path) {
    return QStringLiteral("export to %1 failed").arg(path);
}

// One export's error state. The library's error handler reaches it through its user data, so
// exports on different threads never share it; after each library call the export checks it and
// abandons the document at the first error.
class Run {
public:
    Run(const PdfExport::Output& output, const QString& path) : m_output(output), m_path(path) {}

    // The user is not told; the log keeps the file and the cause. For the file errors detailNo
    // is errno, unless cause says it better.
    void fail(unsigned long errorNo, unsigned long detailNo, const QString& cause = {}) {
        if (m_failed) return;
        m_failed = true;
        char line[64];
        std::snprintf(line, sizeof line, "ERROR: error_no=%04lX, detail_no=%lu\n", errorNo,
                      detailNo);
        m_output(line);
        const QString what = exportFailed(m_path);
        const bool fileError = errorNo == HPDF_FILE_OPEN_ERROR || errorNo == HPDF_FILE_IO_ERROR;
        if (!cause.isEmpty())
            platform::log::failure(platform::log::share(), what, cause);
        else if (fileError)
            platform::log::failure(platform::log::share(), what, static_cast<int>(detailNo));
        else
            platform::log::failure(platform::log::share(), what,
                                   QString::fromLatin1(line).trimmed());
    }
    bool failed() const { return m_failed; }

private:
    const PdfExport::Output& m_output;
    const QString& m_path;
    bool m_failed = false;
};

void onLibraryError(HPDF_STATUS errorNo, HPDF_STATUS detailNo, void* userData) {
    static_cast<Run*>(userData)->fail(errorNo, detailNo);
}

using Document = std::unique_ptr<std::remove_pointer_t<HPDF_Doc>, decltype(&HPDF_Free)>;

// A stored picture is a file; a folder or nothing in its place is skipped.
bool isPictureFile(const QString& path) {
    return QFileInfo(path).isFile();
}

// One page of the picture's size, opening the document at its top-left corner, the picture
// covering it and its path as text below the visible page.
bool addPage(HPDF_Doc doc, HPDF_Font font, const QString& path, Run& run) {
    const QByteArray nativePath = QFile::encodeName(path);
    const QSize size = QImageReader(path).size();
    HPDF_Page page = HPDF_AddPage(doc);
    if (run.failed()) return false;
    HPDF_Page_SetWidth(page, static_cast<HPDF_REAL>(size.width()));
    if (!run.failed()) HPDF_Page_SetHeight(page, static_cast<HPDF_REAL>(size.height()));
    if (run.failed()) return false;

    HPDF_Destination destination = HPDF_Page_CreateDestination(page);
    if (run.failed()) return false;
    HPDF_Destination_SetXYZ(destination, 0, HPDF_Page_GetHeight(page), 1);
    if (!run.failed()) HPDF_SetOpenAction(doc, destination);
    if (!run.failed()) HPDF_Page_SetFontAndSize(page, font, kFontSize);
    if (run.failed()) return false;

    HPDF_Page current = HPDF_GetCurrentPage(doc);
    HPDF_Image image = HPDF_LoadJpegImageFromFile(doc, nativePath.constData());
    // The loader turns some files down without calling the handler.
    if (image == nullptr && !run.failed()) run.fail(HPDF_INVALID_JPEG_DATA, 0);
    if (run.failed()) return false;
    HPDF_Page_DrawImage(current, image, 0, 0, static_cast<HPDF_REAL>(HPDF_Image_GetWidth(image)),
                        static_cast<HPDF_REAL>(HPDF_Image_GetHeight(image)));
    if (run.failed()) return false;

    HPDF_Page_BeginText(current);
    if (!run.failed()) HPDF_Page_SetTextLeading(current, kTextLeading);
    if (!run.failed()) HPDF_Page_MoveTextPos(current, 0, 0);
    if (!run.failed()) HPDF_Page_ShowTextNextLine(current, nativePath.constData());
    if (!run.failed()) HPDF_Page_ShowTextNextLine(current, "");
    if (!run.failed()) HPDF_Page_EndText(current);
    return !run.failed();
}

// Whether the file libharu wrote is complete and on disk: the library does not look at the
// result of its final flush, so a full disk can cut the end off unnoticed.
bool isWholeOnDisk(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    char tail[kTrailerBytes] = {};
    const bool whole =
        ::fsync(fd) == 0 && ::fstat(fd, &st) == 0 && st.st_size >= kTrailerBytes &&
        ::pread(fd, tail, sizeof tail, st.st_size - kTrailerBytes) == kTrailerBytes &&
        QByteArray(tail, kTrailerBytes).endsWith(kTrailer);
    ::close(fd);
    return whole;
}

// The document is written straight into a temporary file beside the target (no copy of it in
// memory), which replaces the target only once it is complete: a failed export leaves neither a
// broken file nor a lost earlier one.
bool save(HPDF_Doc doc, const QString& path, Run& run) {
    const QFileInfo target(path);
    QTemporaryFile temp(target.path() + "/." + target.fileName() + ".XXXXXX");
    if (!temp.open()) {
        run.fail(HPDF_FILE_OPEN_ERROR, static_cast<unsigned long>(errno));
        return false;
    }
    // As a file written in place would be: an earlier file's permissions, else the usual ones.
    temp.setPermissions(target.isFile() ? target.permissions() : kNewFilePermissions);
    temp.close();
    const QByteArray tempPath = QFile::encodeName(temp.fileName());
    HPDF_SaveToFile(doc, tempPath.constData());
    if (run.failed()) return false;
    if (!isWholeOnDisk(tempPath)) {
        run.fail(HPDF_FILE_IO_ERROR, static_cast<unsigned long>(errno));
        return false;
    }
    if (::rename(tempPath.constData(), QFile::encodeName(path).constData()) != 0) {
        run.fail(HPDF_FILE_IO_ERROR, static_cast<unsigned long>(errno));
        return false;
    }
    temp.setAutoRemove(false);
    return true;
}

}  // namespace

PdfExport::PdfExport(const camera::PictureStore& store, Output output, Clock now)
    : m_store(store), m_output(std::move(output)), m_now(std::move(now)) {}

PdfExport::Output PdfExport::standardOutput() {
    return [](const QByteArray& text) {
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        std::fflush(stdout);
    };
}

QString PdfExport::generatedName(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyyMMddHH")) + QStringLiteral(".pdf");
}

bool PdfExport::ExportPdf(QString& folder, QString& fileName, const std::vector<int>& pictures,
                          int* leftOut) const {
    if (leftOut != nullptr) *leftOut = 0;
    if (pictures.empty()) return false;
    const QString outFolder = folder.isEmpty() ? m_store.imageFolder() : folder;
    const QString outName = fileName.isEmpty() ? generatedName(m_now()) : fileName;
    const QString outPath = outFolder + outName;

    Run run(m_output, outPath);
    if (QFile::encodeName(outPath).size() > kMaxPathBytes) {
        run.fail(HPDF_FILE_OPEN_ERROR, ENAMETOOLONG);
        return false;
    }
    const Document doc(HPDF_New(&onLibraryError, &run), &HPDF_Free);
    if (!doc) {
        if (!run.failed()) {
            m_output("error: cannot create PdfDoc object\n");
            platform::log::failure(platform::log::share(), exportFailed(outPath),
                                   QStringLiteral("no PDF document could be made"));
        }
        return false;
    }
    HPDF_SetCompressionMode(doc.get(), HPDF_COMP_ALL);
    HPDF_Font font = run.failed() ? nullptr : HPDF_GetFont(doc.get(), "Helvetica", nullptr);
    if (run.failed()) return false;

    int pages = 0;
    for (int n : pictures) {
        const QString path = m_store.picturePath(n);
        if (!isPictureFile(path)) continue;
        // One damaged picture must not cost the teacher all the others.
        if (!isCompleteJpeg(path)) {
            platform::log::failure(platform::log::share(),
                                   "picture " + path + " left out of the PDF", "damaged JPEG");
            if (leftOut != nullptr) ++*leftOut;
            continue;
        }
        if (!addPage(doc.get(), font, path, run)) return false;
        ++pages;
    }
    // Nothing left to show: no empty document in the user's folder or in the share.
    if (pages == 0) {
        m_output("error: no picture to export\n");
        platform::log::failure(platform::log::share(), exportFailed(outPath),
                               QStringLiteral("none of the pictures is there"));
        return false;
    }
    if (!save(doc.get(), outPath, run)) return false;
    folder = outFolder;
    fileName = outName;
    return true;
}

}  // namespace pictures
