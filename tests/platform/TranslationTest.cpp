#include "platform/Translation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

// --lang first, then the stored choice, then (once it is switched on) the locale; a code that names no
// language never decides.
TEST(ChooseLanguage, TheOptionThenTheStoredChoiceThenTheLocale) {
    struct Case {
        const char* option;
        const char* stored;
        const char* locale;
        bool localeChooses;
        Language expected;
    };
    const Case cases[] = {
        {"en", "zh", "zh_CN", true, Language::English},
        {"zh", "en", "en_US", true, Language::Chinese},
        {"", "en", "zh_CN", true, Language::English},
        {"", "zh", "de_DE", true, Language::Chinese},
        {"fr", "", "zh_CN", true, Language::Chinese}, // an unknown code is passed over
        {"fr", "en", "zh_CN", true, Language::English},
        {"EN", "xx", "zh_CN", true, Language::Chinese},
        {"", "", "zh_CN", true, Language::Chinese},
        {"", "", "zh_TW", true, Language::Chinese},
        {"", "", "zh_HK", true, Language::Chinese},
        {"", "", "en_GB", true, Language::English},
        {"", "", "de_DE", true, Language::English},
        {"", "", "C", true, Language::English},
        {"", "", "en_US", false, Language::Chinese}, // the locale not asked: Chinese
        {"en", "", "zh_CN", false, Language::English},
        {"", "en", "zh_CN", false, Language::English},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseLanguage(QString::fromLatin1(c.option), QString::fromLatin1(c.stored),
                                 QLocale(QString::fromLatin1(c.locale)), c.localeChooses),
                  c.expected)
            << "--lang '" << c.option << "', stored '" << c.stored << "', locale " << c.locale;
}

// Chinese installs Qt's own Chinese texts, which must leave the game's source texts exactly as written;
// English replaces them, and taking it out gives the source texts back.
TEST(Translators, ChineseTranslatesQtsOwnTextsAndKeepsOursByteForByte) {
    OffscreenApp();
    const QString source = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "是否退出游戏？"));
    EXPECT_EQ(Tr(source), source);

    ASSERT_TRUE(InstallLanguage(Language::Chinese)) << "qt6-translations-l10n is not installed";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    EXPECT_EQ(Tr(source).toUtf8(), source.toUtf8());

    ASSERT_TRUE(InstallLanguage(Language::English));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    EXPECT_EQ(Tr(source), QStringLiteral("Exit the game?"));
    RemoveLanguage();
    EXPECT_EQ(Tr(source), source);
}

} // namespace
