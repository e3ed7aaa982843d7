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

// A link to a regular file is followed: the user may keep settings elsewhere.
RegularFileRead readRegularFile(const QString& path, qint64 limitBytes);

}  // namespace platform
