#include "ProfileFile.h"

#include "platform/RegularFile.h"
#include "platform/StagedFile.h"

#include <QList>

namespace platform {

namespace {

constexpr qint64 kMaxProfileBytes = 1024 * 1024;

bool isSection(const QByteArray& line, const QByteArray& name) {
    const QByteArray t = line.trimmed();
    return t.startsWith('[') && t.endsWith(']') &&
           t.mid(1, t.size() - 2).trimmed().compare(name, Qt::CaseInsensitive) == 0;
}

bool isAnySection(const QByteArray& line) {
    return line.trimmed().startsWith('[');
}

bool isKey(const QByteArray& line, const QByteArray& key) {
    const qsizetype eq = line.indexOf('=');
    return eq > 0 && line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0;
}

}  // namespace

QByteArray ProfileFile::withValue(const QByteArray& text, const QString& section,
                                  const QString& key, const QString& value) {
    const QByteArray eol = text.contains("\r\n") || text.isEmpty() ? "\r\n" : "\n";
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QByteArray& l : lines)
        if (l.endsWith('\r')) l.chop(1);
    const QByteArray s = section.toUtf8(), k = key.toUtf8();
    const QByteArray entry = k + '=' + value.toUtf8();

    qsizetype at = 0;
    while (at < lines.size() && !isSection(lines[at], s)) ++at;
    if (at == lines.size()) {
        lines << '[' + s + ']' << entry;
    } else {
        qsizetype end = at + 1;
        while (end < lines.size() && !isAnySection(lines[end])) ++end;
        qsizetype found = at + 1;
        while (found < end && !isKey(lines[found], k)) ++found;
        if (found < end) {
            lines[found] = entry;
        } else {
            // After the section's last value, before any blank lines that close it.
            qsizetype insert = end;
            while (insert > at + 1 && lines[insert - 1].trimmed().isEmpty()) --insert;
            lines.insert(insert, entry);
        }
    }
    QByteArray out;
    for (const QByteArray& l : lines) out += l + eol;
    return out;
}

bool ProfileFile::writeString(const QString& path, const QString& section, const QString& key,
                              const QString& value) {
    const RegularFileRead old = readRegularFile(path, kMaxProfileBytes);
    // A file that cannot be read as one is not replaced by a file that would lose it.
    if (!old.bytes && old.failure != ReadFailure::Missing) return false;
    return StagedFile::replace(path,
                               withValue(old.bytes.value_or(QByteArray()), section, key, value));
}

}  // namespace platform
