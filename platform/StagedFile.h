#pragma once
// A file replaced as a whole: the new content goes to a temporary file beside the target and is
// renamed over it only when every byte is written. A link in the target's place is replaced
// itself, never written through, and a reader sees the old file or the new one, never half.
#include "platform/UniqueFd.h"

#include <QByteArray>
#include <QString>

namespace platform {

class StagedFile {
public:
    enum class Sync { None, Durable };  // Durable: on disk before the rename (settings)

    explicit StagedFile(QString path, Sync sync = Sync::Durable);
    ~StagedFile();  // removes a temporary file that was not committed
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Writes the whole content to the temporary file; false on any short write or failed close.
    bool write(const QByteArray& bytes);
    // Renames the written temporary file over the target.
    bool commit();
    // Forgets a written file (the temporary one goes); the target stays as it was.
    void discard();

    const QString& path() const { return m_path; }
    const QString& error() const { return m_error; }

    // write() then commit() in one call.
    static bool replace(const QString& path, const QByteArray& bytes, Sync sync = Sync::Durable,
                        QString* error = nullptr);

private:
    bool fail(const QString& what);
    bool openFolder();
    int createTemporary();

    QString m_path;
    Sync m_sync;
    UniqueFd m_dirFd;
    QByteArray m_name;      // final component of the target
    QByteArray m_tempName;  // inside the same folder; empty when none exists
    QString m_error;
};

}  // namespace platform
