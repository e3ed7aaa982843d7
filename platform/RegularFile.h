#pragma once
// Reading a file that someone else may have put in place: only a regular file is read (a FIFO or
// a device would block or never end), and never more than the caller allows.
#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

enum class ReadFailure { Missing, NotRegular, TooLarge, Unreadable };

struct RegularFileRead {
    std::optional<QByteArray> bytes;  // set on success
    ReadFailure failure = ReadFailure::Missing;
};

// A descriptor (close-on-exec) of the regular file at path, or -1 with the reason in why. Never
// blocks: a FIFO in the file's place is refused, not waited on.
int openRegularFile(const QString& path, ReadFailure& why);

// A link to a regular file is followed: the user may keep settings elsewhere.
RegularFileRead readRegularFile(const QString& path, qint64 limitBytes);

}  // namespace platform
