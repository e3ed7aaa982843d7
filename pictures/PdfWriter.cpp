#include "PdfWriter.h"

#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>

namespace pictures {

namespace {

constexpr qsizetype kBufferBytes = 64 * 1024;
// Fixed objects; pages and their parts follow.
constexpr int kCatalog = 1;
constexpr int kPageTree = 2;
constexpr int kFont = 3;
constexpr int kFontSize = 12;
constexpr int kTextLeading = 16;

QByteArray number(qint64 n) {
    return QByteArray::number(n);
}

QByteArray ref(int object) {
    return number(object) + " 0 R";
}

// A PDF literal string: the delimiters escaped, anything but printable ASCII in octal, so the
// bytes of any path come back as they were.
QByteArray literal(const QByteArray& text) {
    QByteArray out("(");
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '(' || b == ')' || b == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b > 0x7E) {
            char octal[5];
            std::snprintf(octal, sizeof octal, "\\%03o", b);
            out += octal;
        } else {
            out += c;
        }
    }
    return out + ')';
}

const char* colourSpace(int components) {
    switch (components) {
        case 1: return "/DeviceGray";
        case 4: return "/DeviceCMYK";
        default: return "/DeviceRGB";
    }
}

bool writeAll(int fd, const char* data, qint64 size, int& error) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

}  // namespace

PdfWriter::PdfWriter(int fd) : m_fd(fd), m_objectOffsets(kFont, -1) {
    m_buffer.reserve(kBufferBytes);
}

int PdfWriter::newObject() {
    m_objectOffsets.push_back(-1);
    return static_cast<int>(m_objectOffsets.size());
}

void PdfWriter::beginObject(int n) {
    m_objectOffsets[static_cast<size_t>(n - 1)] = m_offset;
    put(number(n) + " 0 obj\n");
}

void PdfWriter::put(const QByteArray& bytes) {
    put(bytes.constData(), bytes.size());
}

void PdfWriter::put(const char* bytes, qint64 size) {
    if (failed()) return;
    m_buffer.append(bytes, static_cast<qsizetype>(size));
    m_offset += size;
    if (m_buffer.size() >= kBufferBytes) flush();
}

bool PdfWriter::flush() {
    if (failed()) return false;
    const bool ok = writeAll(m_fd, m_buffer.constData(), m_buffer.size(), m_error);
    m_buffer.resize(0);  // keeps its memory for the next round
    return ok;
}

bool PdfWriter::begin() {
    // The second line's high bytes mark the file as binary for programs that guess.
    put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    beginObject(kFont);
    put("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>\nendobj\n");
    return !failed();
}

// The JPEG goes through the buffer's memory a buffer at a time, straight from one file to the
// other.
bool PdfWriter::copyStream(int fd, qint64& copied) {
    if (!flush()) return false;
    copied = 0;
    m_buffer.resize(kBufferBytes);
    for (;;) {
        const ssize_t n = ::read(fd, m_buffer.data(), static_cast<size_t>(kBufferBytes));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            m_error = errno;
            m_readFailed = true;
            break;
        }
        if (n == 0) break;
        if (!writeAll(m_fd, m_buffer.constData(), n, m_error)) break;
        copied += n;
    }
    m_buffer.resize(0);
    m_offset += copied;
    return !failed();
}

void PdfWriter::writeContent(int n, const JpegFrame& frame, const QByteArray& text) {
    const QByteArray w = number(frame.width), h = number(frame.height);
    // The font is chosen before the text object, then the picture covers the page; the text's
    // next line lies one leading below the page's lower edge, out of sight.
    const QByteArray plain = "/F1 " + number(kFontSize) + " Tf\nq\n" + w + " 0 0 " + h +
                             " 0 0 cm\n/X1 Do\nQ\nBT\n" + number(kTextLeading) + " TL\n0 0 Td\n" +
                             literal(text) + " '\nT*\nET\n";
    uLongf packedSize = compressBound(static_cast<uLong>(plain.size()));
    QByteArray packed(static_cast<qsizetype>(packedSize), '\0');
    const bool compressed = compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                                      reinterpret_cast<const Bytef*>(plain.constData()),
                                      static_cast<uLong>(plain.size()), Z_BEST_COMPRESSION) == Z_OK;
    packed.truncate(static_cast<qsizetype>(packedSize));
    const QByteArray& body = compressed ? packed : plain;
    beginObject(n);
    put("<< /Length " + number(body.size()) + (compressed ? " /Filter /FlateDecode" : "") +
        " >>\nstream\n");
    put(body);
    put("\nendstream\nendobj\n");
}

bool PdfWriter::addPage(const JpegFrame& frame, int pictureFd, const QByteArray& text) {
    if (failed()) return false;
    const int image = newObject();
    const int length = newObject();
    const int content = newObject();
    const int page = newObject();

    beginObject(image);
    QByteArray head = "<< /Type /XObject /Subtype /Image /Width " + number(frame.width) +
                      " /Height " + number(frame.height) + " /ColorSpace " +
                      colourSpace(frame.components) + " /BitsPerComponent " +
                      number(frame.precision);
    // Adobe's CMYK JPEGs store their components inverted.
    if (frame.components == 4) head += " /Decode [1 0 1 0 1 0 1 0]";
    put(head + " /Filter /DCTDecode /Length " + ref(length) + " >>\nstream\n");
    qint64 copied = 0;
    if (!copyStream(pictureFd, copied)) return false;
    put("\nendstream\nendobj\n");
    // Its length as copied: known only now, the document is never gone back over.
    beginObject(length);
    put(number(copied) + "\nendobj\n");

    writeContent(content, frame, text);

    beginObject(page);
    put("<< /Type /Page /Parent " + ref(kPageTree) + " /MediaBox [0 0 " + number(frame.width) +
        ' ' + number(frame.height) + "] /Resources << /ProcSet [/PDF /Text /ImageB /ImageC]" +
        " /Font << /F1 " + ref(kFont) + " >> /XObject << /X1 " + ref(image) + " >> >> /Contents " +
        ref(content) + " >>\nendobj\n");
    m_pages.push_back(page);
    m_lastHeight = frame.height;
    return !failed();
}

bool PdfWriter::finish() {
    if (failed()) return false;
    beginObject(kPageTree);
    put("<< /Type /Pages /Kids [");
    for (size_t i = 0; i < m_pages.size(); ++i) put((i == 0 ? "" : " ") + ref(m_pages[i]));
    put("] /Count " + number(pages()) + " >>\nendobj\n");

    beginObject(kCatalog);
    QByteArray catalog = "<< /Type /Catalog /Pages " + ref(kPageTree);
    // Every page in turn was made the open action: the last one wins, at its top-left, 100 %.
    if (!m_pages.empty())
        catalog +=
            " /OpenAction [" + ref(m_pages.back()) + " /XYZ 0 " + number(m_lastHeight) + " 1]";
    put(catalog + " >>\nendobj\n");

    const qint64 xref = m_offset;
    put("xref\n0 " + number(static_cast<qint64>(m_objectOffsets.size()) + 1) +
        "\n0000000000 65535 f \n");
    for (const qint64 at : m_objectOffsets) {
        char entry[21];
        std::snprintf(entry, sizeof entry, "%010lld 00000 n \n", static_cast<long long>(at));
        put(entry, 20);
    }
    put("trailer\n<< /Size " + number(static_cast<qint64>(m_objectOffsets.size()) + 1) + " /Root " +
        ref(kCatalog) + " >>\nstartxref\n" + number(xref) + '\n' + kEnd);
    return flush();
}

}  // namespace pictures
