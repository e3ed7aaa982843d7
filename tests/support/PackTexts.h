#pragma once
// The texts of a language pack as its source table holds them, so a dialog can be shown in that
// language without the built packs.
#include <QFile>
#include <QString>
#include <QStringList>

#include <map>

namespace testsupport {

using PackTexts = std::map<int, QString>;

inline QStringList packCodes() {
    return {QStringLiteral("en_US"), QStringLiteral("uk_UA"), QStringLiteral("zh_CN"),
            QStringLiteral("ar")};
}

// "id = text" or "id Name = text" lines with \n, \t and \\ escapes; # starts a comment line.
inline PackTexts readPack(const QString& code) {
    PackTexts out;
    QFile file(QStringLiteral(OSTRELY_SOURCE_DIR "/lang/") + code + QStringLiteral(".strings"));
    if (!file.open(QIODevice::ReadOnly)) return out;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u'#')) continue;
        const int eq = line.indexOf(QStringLiteral(" = "));
        bool ok = false;
        const int id = line.left(eq).trimmed().section(u' ', 0, 0).toInt(&ok);
        if (eq < 0 || !ok) continue;
        QString text;
        const QString raw = line.mid(eq + 3);
        for (int i = 0; i < raw.size(); ++i) {
            if (raw[i] == u'\\' && i + 1 < raw.size()) {
                const QChar c = raw[++i];
                text += c == u'n' ? QChar(u'\n') : c == u't' ? QChar(u'\t') : c;
            } else {
                text += raw[i];
            }
        }
        out[id] = text;
    }
    return out;
}

}  // namespace testsupport
