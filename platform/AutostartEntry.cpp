#include "AutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/RegularFile.h"
#include "platform/StagedFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

constexpr qint64 kMaxEntryBytes = 1024 * 1024;

QString defaultFolder() {
    QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (config.isEmpty()) config = QDir::homePath() + "/.config";
    return config + "/autostart";
}

bool needsQuoting(const QString& arg) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (arg.isEmpty()) return true;
    for (QChar c : arg)
        if (reserved.contains(c)) return true;
    return false;
}

bool isExecutableFile(const QString& path) {
    const QFileInfo fi(path);
    return fi.isAbsolute() && fi.isFile() && fi.isExecutable();
}

}  // namespace

AutostartEntry::AutostartEntry(const QString& name) : AutostartEntry(defaultFolder(), name) {}

AutostartEntry::AutostartEntry(const QString& folder, const QString& name)
    : m_folder(folder), m_name(name) {}

bool AutostartEntry::folderExists() const {
    return QFileInfo(m_folder).isDir();
}

bool AutostartEntry::makeFolder() const {
    return QDir().mkpath(m_folder) && folderExists();
}

QString AutostartEntry::execLine(const QStringList& argv) {
    QStringList parts;
    for (const QString& arg : argv) {
        QString a = arg;
        a.replace('%', "%%");
        if (!needsQuoting(arg)) {
            parts << a;
            continue;
        }
        QString q;
        for (QChar c : a) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') q += '\\';
            q += c;
        }
        parts << '"' + q + '"';
    }
    return parts.join(' ');
}

std::optional<QStringList> AutostartEntry::parseExecLine(const QString& exec) {
    QStringList argv;
    QString current;
    bool inArg = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == ' ') {
            if (inArg) argv << current;
            current.clear();
            inArg = false;
        } else if (c == '"') {
            inArg = true;
            for (++i;; ++i) {
                if (i >= exec.size()) return std::nullopt;  // unterminated quote
                if (exec[i] == '"') break;
                if (exec[i] == '\\' && i + 1 < exec.size())
                    ++i;
                else if (exec[i] == '%' && i + 1 < exec.size() && exec[i + 1] == '%')
                    ++i;  // a literal percent sign is doubled inside quotes too
                current += exec[i];
            }
        } else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
            inArg = true;
            current += '%';
            ++i;
        } else {
            inArg = true;
            current += c;
        }
    }
    if (inArg) argv << current;
    if (argv.isEmpty()) return std::nullopt;
    return argv;
}

QString AutostartEntry::escapeValue(const QString& s) {
    QString out;
    for (QChar c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

QString AutostartEntry::unescapeValue(const QString& s) {
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const QChar n = s[++i];
        out += n == 's'   ? QChar(' ')
               : n == 'n' ? QChar('\n')
               : n == 't' ? QChar('\t')
               : n == 'r' ? QChar('\r')
                          : n;
    }
    return out;
}

QStringList AutostartEntry::splitValueData(const QString& valueData) {
    for (qsizetype cut = valueData.size(); cut > 0; cut = valueData.lastIndexOf(' ', cut - 1)) {
        if (isExecutableFile(valueData.left(cut))) {
            QStringList argv{valueData.left(cut)};
            if (cut < valueData.size()) argv += valueData.mid(cut + 1).split(' ');
            return argv;
        }
    }
    QStringList words = valueData.split(' ');
    qsizetype firstSwitch = words.size();
    while (firstSwitch > 1 && words[firstSwitch - 1].startsWith('-')) --firstSwitch;
    QStringList argv{words.mid(0, firstSwitch).join(' ')};
    argv += words.mid(firstSwitch);
    return argv;
}

std::optional<QString> AutostartEntry::read() const {
    // A FIFO in the entry's place must not hang the program at start-up.
    const RegularFileRead file = readRegularFile(filePath(), kMaxEntryBytes);
    if (!file.bytes) return std::nullopt;
    bool inMainGroup = false;
    std::optional<QString> exec;
    for (const QByteArray& raw : file.bytes->split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (!inMainGroup || eq <= 0) continue;
        const QString key = line.left(eq).trimmed();
        const QString value = unescapeValue(line.mid(eq + 1).trimmed());
        if (key == "Hidden" && value == "true") return std::nullopt;
        if (key == "Exec") exec = value;
    }
    if (!exec) return std::nullopt;
    const auto argv = parseExecLine(*exec);
    if (!argv) return std::nullopt;
    return argv->join(' ');
}

bool AutostartEntry::write(const QString& valueData) const {
    if (valueData.trimmed().isEmpty()) return false;  // an entry that starts nothing
    const QStringList argv = splitValueData(valueData);
    // TryExec: an entry left behind by a removed program is skipped at log-on, not an error.
    const QString text = "[Desktop Entry]\nType=Application\nName=" + m_name +
                         "\nTryExec=" + escapeValue(argv.first()) +
                         "\nExec=" + escapeValue(execLine(argv)) +
                         "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
    // A link in the entry's place is replaced itself, never written through.
    return StagedFile::replace(filePath(), text.toUtf8());
}

bool AutostartEntry::remove() const {
    // The name itself goes, a dangling link too.
    return ::unlink(QFile::encodeName(filePath()).constData()) == 0 || errno == ENOENT;
}

bool AutostartEntry::present() const {
    struct stat st {};
    return ::lstat(QFile::encodeName(filePath()).constData(), &st) == 0;
}

}  // namespace platform
