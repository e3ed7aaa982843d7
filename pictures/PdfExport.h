#pragma once
// Writes pictures of the store into one PDF file, a page per picture at the picture's size. The
// JPEG data goes into the file as it is, without decoding, one picture after the other: the
// export's memory does not grow with the document.
#include "camera/PictureStore.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

namespace pictures {

class PdfWriter;

class PdfExport {
public:
    // Where the export's messages go (standard output in the program) and what time it is.
    using Output = std::function<void(const QByteArray&)>;
    using Clock = std::function<QDateTime()>;
    // Called on the exporting thread after each picture: pictures done, pictures in all.
    using Progress = std::function<void(int done, int total)>;

    // Longest output path the file system takes, in bytes.
    static constexpr int kMaxPathBytes = 4095;

    explicit PdfExport(const camera::PictureStore& store, Output output = standardOutput(),
                       Clock now = &QDateTime::currentDateTime);

    // Writes the pictures, in this order, to folder + fileName. An empty folder means the image
    // folder of the store, an empty name one made of the hour ("%Y%m%d%H.pdf"); both are written
    // back on success. Missing pictures are skipped; damaged ones (not a whole JPEG) are left
    // out with a log line and counted in leftOut. False when nothing was saved: then an
    // earlier file at the path is untouched and no partial file is left. Safe to run on any
    // thread, several at once.
    bool ExportPdf(QString& folder, QString& fileName, const std::vector<int>& pictures,
                   int* leftOut = nullptr, const Progress& progress = {}) const;

    // The name an export in the given hour gets.
    static QString generatedName(const QDateTime& time);
    static Output standardOutput();

    const camera::PictureStore& store() const { return m_store; }

private:
    // False when the document can no longer be finished.
    bool addPicture(PdfWriter& pdf, int n, int* leftOut) const;
    QString readFailure(int n, const PdfWriter& pdf) const;

    const camera::PictureStore& m_store;
    Output m_output;
    Clock m_now;
};

}  // namespace pictures
