#pragma once
// The per-user autostart entry: a freedesktop autostart file whose Exec line holds a command.
// Its "value data" is the command as one text: the program path, unquoted, and its arguments,
// joined by blanks (for example "/opt/ostrely/Ostrely -Start").
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

class AutostartEntry {
public:
    // $XDG_CONFIG_HOME/autostart (default ~/.config/autostart) and name + ".desktop" in it.
    explicit AutostartEntry(const QString& name);
    AutostartEntry(const QString& folder, const QString& name);

    QString filePath() const { return m_folder + '/' + m_name + ".desktop"; }

    bool folderExists() const;
    bool makeFolder() const;

    // The value data of the entry, or nothing when there is no entry (or it is hidden, or has
    // no Exec line that parses).
    std::optional<QString> read() const;
    // Replaces the entry in one step: readers see the old entry or the new one, never half.
    // Empty value data is refused: such an entry would start nothing.
    bool write(const QString& valueData) const;
    // A missing entry counts as removed.
    bool remove() const;
    // Whether anything (a file, a link, whatever it is) holds the entry's name.
    bool present() const;

    // Exec-line quoting of the desktop-entry format, before and after the file's own escaping.
    static QString execLine(const QStringList& argv);
    static std::optional<QStringList> parseExecLine(const QString& exec);
    static QString escapeValue(const QString& s);
    static QString unescapeValue(const QString& s);
    // Where the program path ends in value data: the longest prefix, cut at a blank, that is an
    // executable file; failing that, everything before the trailing "-" switches.
    static QStringList splitValueData(const QString& valueData);

private:
    QString m_folder;
    QString m_name;
};

}  // namespace platform
