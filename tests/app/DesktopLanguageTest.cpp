// Which pack a desktop locale asks for.
#include "app/DesktopLanguage.h"

#include <gtest/gtest.h>

namespace {

const QStringList kPacks{"ar", "en_US", "uk_UA", "zh_CN"};

TEST(DesktopLanguageTest, LocaleNamesFindTheirPack) {
    const std::vector<std::pair<QString, QString>> cases = {
        {"uk_UA.UTF-8", "uk_UA"}, {"uk_UA", "uk_UA"},   {"uk", "uk_UA"},       {"zh_CN.GB18030", "zh_CN"},
        {"zh_SG", "zh_CN"},       {"ar_EG.UTF-8", "ar"}, {"ar_MA@latin", "ar"}, {"en_GB.UTF-8", "en_US"},
        {"de_DE.UTF-8", ""},      {"C", ""},             {"POSIX", ""},         {"C.UTF-8", ""},
        {"", ""},                 {"../../etc", ""},     {"uk_UA/../x", ""},    {"UK_ua", ""},
    };
    for (const auto& [locale, pack] : cases)
        EXPECT_EQ(app::packForLocale(locale, kPacks), pack) << locale.toStdString();
    EXPECT_EQ(app::packForLocale("en_AU", {"en_US", "en_GB"}), "")
        << "two packs of one language and neither asked for: no guess";
}

TEST(DesktopLanguageTest, TheEnvironmentInTheCLibrarysOrder) {
    const auto with = [](std::initializer_list<std::pair<const char*, const char*>> vars) {
        for (const char* n : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) qunsetenv(n);
        for (const auto& [n, v] : vars) qputenv(n, v);
        const QString pack = app::desktopPack(kPacks);
        for (const char* n : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) qunsetenv(n);
        return pack;
    };
    EXPECT_EQ(with({{"LANG", "uk_UA.UTF-8"}}), "uk_UA");
    EXPECT_EQ(with({{"LANG", "uk_UA.UTF-8"}, {"LC_MESSAGES", "zh_CN.UTF-8"}}), "zh_CN");
    EXPECT_EQ(with({{"LC_MESSAGES", "zh_CN.UTF-8"}, {"LC_ALL", "ar_EG.UTF-8"}}), "ar");
    EXPECT_EQ(with({{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "fr:uk:en"}}), "uk_UA");
    EXPECT_EQ(with({{"LANG", "C"}, {"LANGUAGE", "uk"}}), "") << "LANGUAGE counts only past C";
    EXPECT_EQ(with({}), "");
}

}  // namespace
