#pragma once
// Writes the one kind of PDF the program makes, front to back onto a descriptor: a page per
// JPEG at the picture's size, the JPEG copied in as it is, the picture's path as text below the
// visible page, the document opening on the last page. Nothing of a picture stays in memory
// after its page: memory is one copy buffer and a few numbers per page, however long the
// document grows.
#include "pictures/JpegCheck.h"

#include <QByteArray>

#include <vector>

namespace pictures {

class PdfWriter {
public:
    // fd: where the document goes, written from its current position; not closed here.
    explicit PdfWriter(int fd);
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    // The file's header and the shared font. Once, first.
    bool begin();
    // A page of frame's size showing the JPEG read from pictureFd to its end, with text (bytes
    // as they are) below the page. False on a read or write error: the document is then broken.
    bool addPage(const JpegFrame& frame, int pictureFd, const QByteArray& text);
    // The page tree, the catalog, the cross-reference table and the trailer, all flushed to fd.
    bool finish();

    int pages() const { return static_cast<int>(m_pages.size()); }
    // Bytes written so far (the document's size once finished).
    qint64 size() const { return m_offset; }
    // errno of the first failed write, or of the failed read with readFailed() set.
    int error() const { return m_error; }
    bool readFailed() const { return m_readFailed; }

    // The last bytes of every finished document.
    static constexpr char kEnd[] = "%%EOF\n";

private:
    int newObject();
    void beginObject(int number);
    void put(const QByteArray& bytes);
    void put(const char* bytes, qint64 size);
    bool flush();
    bool copyStream(int fd, qint64& copied);
    void writeContent(int number, const JpegFrame& frame, const QByteArray& text);
    bool failed() const { return m_error != 0; }

    int m_fd;
    qint64 m_offset = 0;  // of the next byte, counting what waits in the buffer
    QByteArray m_buffer;
    std::vector<qint64> m_objectOffsets;  // by object number - 1
    std::vector<int> m_pages;             // page object numbers
    int m_lastHeight = 0;
    int m_error = 0;
    bool m_readFailed = false;
};

}  // namespace pictures
