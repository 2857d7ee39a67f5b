// The player's language. The Chinese texts are the source texts: each is written once, as a constant
// or a literal, and marked for lupdate where it is written:
//
//   inline const QString kExitQuestionText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "是否退出游戏？"));
//
// The constant keeps its Chinese text (the constants are made at static initialisation, long before a
// translator exists, and the tests compare against them); Tr() turns it into the player's language
// where it is shown. A text written where it is shown goes through Aviluma::tr(), which lupdate reads
// as it reads the marks; one with numbers or names in it is translated as its template, before arg():
//
//   Aviluma::tr("第 %1 关已开启！").arg(level)
//
// All texts share the one context "Aviluma": a text such as "确定" or the link fault is shown by several
// windows and by the shell beneath them, and reads the same in each.
#pragma once

#include <QCoreApplication>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>

inline constexpr char kTextContext[] = "Aviluma";

// source in the installed language: its translation when one is installed, else source unchanged.
QString Tr(const QString& source);

// Aviluma::tr(text): a text written where it is shown, in the installed language.
class Aviluma {
    Q_DECLARE_TR_FUNCTIONS(Aviluma)
};

enum class Language { Chinese, English };

// "zh" or "en" (as --lang takes them); nothing for anything else.
std::optional<Language> LanguageFromCode(QStringView code);
QString LanguageCode(Language language);

// The language of this run: the --lang option when given, else the stored choice, else the locale
// (a Chinese locale gives Chinese, any other English) when localeChooses, else Chinese. option and
// stored are language codes, empty when there are none; a code that names no language is passed over.
Language ChooseLanguage(QStringView option, QStringView stored, const QLocale& locale,
                        bool localeChooses = true);

// Installs the translators of language in the application (replacing those of an earlier call): for
// English the program's own translation, for Chinese Qt's own Chinese texts (the buttons and menus of
// Qt's standard dialogs). Returns false when a translation could not be loaded; the texts then stay
// as they are.
bool InstallLanguage(Language language);
// The language of the texts now: the last one installed, Chinese before any or after RemoveLanguage().
Language InstalledLanguage();
// Takes out what InstallLanguage() put in: every text reads as its source text again.
void RemoveLanguage();
