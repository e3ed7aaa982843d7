#include "DesktopLanguage.h"

#include <QRegularExpression>

namespace app {

namespace {

QString env(const char* name) {
    return qEnvironmentVariable(name).trimmed();
}

// The locale that decides the messages' language, as the C library picks it.
QString messagesLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const QString value = env(name); !value.isEmpty()) return value;
    return {};
}

bool isPlainLocale(const QString& locale) {
    return locale.isEmpty() || locale == QLatin1String("C") || locale == QLatin1String("POSIX") ||
           locale.startsWith(QLatin1String("C."));
}

}  // namespace

QString packForLocale(const QString& locale, const QStringList& packs) {
    static const QRegularExpression name(QStringLiteral("^([a-z]{2,3})(?:_([A-Z]{2}))?(?:[.@].*)?$"));
    const auto m = name.match(locale.trimmed());
    if (!m.hasMatch()) return {};
    const QString language = m.captured(1);
    const QString full = language + '_' + m.captured(2);
    if (!m.captured(2).isEmpty() && packs.contains(full)) return full;
    if (packs.contains(language)) return language;
    QStringList same;
    for (const QString& p : packs)
        if (p.startsWith(language + '_')) same << p;
    return same.size() == 1 ? same.first() : QString();
}

QString desktopPack(const QStringList& packs) {
    const QString locale = messagesLocale();
    if (!isPlainLocale(locale)) {
        for (const QString& entry : env("LANGUAGE").split(':', Qt::SkipEmptyParts))
            if (const QString pack = packForLocale(entry, packs); !pack.isEmpty()) return pack;
    }
    return packForLocale(locale, packs);
}

}  // namespace app
