#pragma once
// The language pack the desktop asks for, where Config.xml names none the program has.
#include <QString>
#include <QStringList>

namespace app {

// The pack for one locale name ("uk_UA.UTF-8", "ar_EG@latin", "zh_CN"): the pack of that
// language and country, else the one pack of that language; empty for C, POSIX, a malformed name
// or a language without a pack.
QString packForLocale(const QString& locale, const QStringList& packs);

// The desktop's choice: the first entry of LANGUAGE that has a pack (GNU's list, used where the
// locale is not C), else LC_ALL, LC_MESSAGES, LANG in that order, the first one set.
QString desktopPack(const QStringList& packs);

}  // namespace app
