#include "PdfExport.h"

#include "pictures/JpegCheck.h"
#include "pictures/PdfWriter.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"
#include "platform/UniqueFd.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pictures {

namespace {

// The error numbers the export's messages have always carried.
constexpr unsigned long kFileIoError = 0x1016;
constexpr unsigned long kFileOpenError = 0x1017;
constexpr mode_t kNewFileMode = 0644;
constexpr int kEndBytes = sizeof PdfWriter::kEnd - 1;

QString exportFailed(const QString& path) {
    return QStringLiteral("export to %1 failed").arg(path);
}

// One export's failure: the first one is told, on the export's own output, and logged with
// the file and the cause; the user is not told here.
class Run {
public:
    Run(const PdfExport::Output& output, const QString& path) : m_output(output), m_path(path) {}

    void fail(unsigned long errorNo, int err, const QString& cause = {}) {
        if (m_failed) return;
        m_failed = true;
        char line[64];
        std::snprintf(line, sizeof line, "ERROR: error_no=%04lX, detail_no=%d\n", errorNo, err);
        m_output(line);
        if (cause.isEmpty())
            platform::log::failure(platform::log::share(), exportFailed(m_path), err);
        else
            platform::log::failure(platform::log::share(), exportFailed(m_path), cause);
    }
    bool failed() const { return m_failed; }

private:
    const PdfExport::Output& m_output;
    const QString& m_path;
    bool m_failed = false;
};

// The document is written into a temporary file beside the target, which replaces the target
// only once it is complete and on disk: a failed export leaves neither a broken file nor a lost
// earlier one.
class StagedPdf {
public:
    explicit StagedPdf(const QString& target) : m_target(QFile::encodeName(target)) {}
    ~StagedPdf() {
        if (!m_temp.isEmpty()) ::unlink(m_temp.constData());
    }
    StagedPdf(const StagedPdf&) = delete;
    StagedPdf& operator=(const StagedPdf&) = delete;

    bool create(Run& run) {
        const QFileInfo target(QFile::decodeName(m_target));
        QByteArray pattern =
            QFile::encodeName(target.path() + "/." + target.fileName()) + ".XXXXXX";
        m_fd.reset(::mkostemp(pattern.data(), O_CLOEXEC));
        if (!m_fd) {
            run.fail(kFileOpenError, errno);
            return false;
        }
        m_temp = pattern;
        // As a file written in place would be: an earlier file's permissions, else the usual.
        struct stat st {};
        const bool replacing = ::stat(m_target.constData(), &st) == 0 && S_ISREG(st.st_mode);
        ::fchmod(m_fd.get(), replacing ? (st.st_mode & 07777) : kNewFileMode);
        return true;
    }
    int fd() const { return m_fd.get(); }

    // The written file is whole (size and end as written) and on disk, then takes the target's
    // place.
    bool commit(qint64 size, Run& run) {
        if (!isWholeOnDisk(size)) {
            run.fail(kFileIoError, errno);
            return false;
        }
        if (::close(m_fd.release()) != 0 ||
            ::rename(m_temp.constData(), m_target.constData()) != 0) {
            run.fail(kFileIoError, errno);
            return false;
        }
        m_temp.clear();
        return true;
    }

private:
    bool isWholeOnDisk(qint64 size) const {
        struct stat st {};
        char end[kEndBytes] = {};
        if (::fsync(m_fd.get()) != 0 || ::fstat(m_fd.get(), &st) != 0) return false;
        errno = EIO;
        return st.st_size == size &&
               ::pread(m_fd.get(), end, sizeof end, size - kEndBytes) == kEndBytes &&
               std::memcmp(end, PdfWriter::kEnd, kEndBytes) == 0;
    }

    QByteArray m_target;
    QByteArray m_temp;  // empty once renamed, or when none was made
    platform::UniqueFd m_fd;
};

// The picture as the PDF can take it: a whole JPEG of eight bits per component in grey, colour
// or CMYK. Anything else cannot be shown by a reader and counts as damaged.
std::optional<JpegFrame> usableFrame(const QString& path) {
    std::optional<JpegFrame> frame = readJpegFrame(path);
    if (frame && (frame->precision != 8 || frame->components == 2 || frame->components > 4))
        return std::nullopt;
    return frame;
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
                          int* leftOut, const Progress& progress) const {
    if (leftOut != nullptr) *leftOut = 0;
    if (pictures.empty()) return false;
    const QString outFolder = folder.isEmpty() ? m_store.imageFolder() : folder;
    const QString outName = fileName.isEmpty() ? generatedName(m_now()) : fileName;
    const QString outPath = outFolder + outName;

    Run run(m_output, outPath);
    if (QFile::encodeName(outPath).size() > kMaxPathBytes) {
        run.fail(kFileOpenError, ENAMETOOLONG);
        return false;
    }
    StagedPdf staged(outPath);
    if (!staged.create(run)) return false;
    PdfWriter pdf(staged.fd());
    if (!pdf.begin()) {
        run.fail(kFileIoError, pdf.error());
        return false;
    }
    const int total = static_cast<int>(pictures.size());
    for (int i = 0; i < total; ++i) {
        if (!addPicture(pdf, pictures[static_cast<size_t>(i)], leftOut)) {
            const int n = pictures[static_cast<size_t>(i)];
            run.fail(kFileIoError, pdf.error(), pdf.readFailed() ? readFailure(n, pdf) : QString());
            return false;
        }
        if (progress) progress(i + 1, total);
    }
    // Nothing left to show: no empty document in the user's folder or in the share.
    if (pdf.pages() == 0) {
        m_output("error: no picture to export\n");
        platform::log::failure(platform::log::share(), exportFailed(outPath),
                               QStringLiteral("none of the pictures is there"));
        return false;
    }
    if (!pdf.finish()) {
        run.fail(kFileIoError, pdf.error());
        return false;
    }
    if (!staged.commit(pdf.size(), run)) return false;
    folder = outFolder;
    fileName = outName;
    return true;
}

bool PdfExport::addPicture(PdfWriter& pdf, int n, int* leftOut) const {
    const QString path = m_store.picturePath(n);
    // A stored picture is a regular file; a folder, anything else or nothing there is skipped.
    platform::ReadFailure why = platform::ReadFailure::Missing;
    const platform::UniqueFd file(platform::openRegularFile(path, why));
    if (!file) return true;
    // One damaged picture must not cost the teacher all the others.
    const std::optional<JpegFrame> frame = usableFrame(path);
    if (!frame) {
        platform::log::failure(platform::log::share(), "picture " + path + " left out of the PDF",
                               QStringLiteral("damaged JPEG"));
        if (leftOut != nullptr) ++*leftOut;
        return true;
    }
    return pdf.addPage(*frame, file.get(), QFile::encodeName(path));
}

QString PdfExport::readFailure(int n, const PdfWriter& pdf) const {
    return QStringLiteral("reading %1: %2")
        .arg(m_store.picturePath(n), QString::fromLocal8Bit(std::strerror(pdf.error())));
}

}  // namespace pictures
