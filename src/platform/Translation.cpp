#include "platform/Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <atomic>
#include <memory>

namespace {

// Compiled in by the build from translations/aviluma_en.ts.
const QString kEnglishTranslation = QStringLiteral(":/i18n/aviluma_en.qm");

// Installed on the UI thread before the windows are made; removed and replaced only there.
std::unique_ptr<QTranslator> g_translator;
// Read by Tr() on any thread (a message box may be asked for from a worker).
std::atomic<bool> g_bTranslating{false};
std::atomic<Language> g_installed{Language::Chinese};

} // namespace

QString Tr(const QString& source) {
    if (source.isEmpty())
        return source;
    // Without a translator Qt would make the same text anew from its UTF-8: hand back the very string.
    if (!g_bTranslating.load())
        return source;
    return QCoreApplication::translate(kTextContext, source.toUtf8().constData());
}

std::optional<Language> LanguageFromCode(QStringView code) {
    if (code == u"zh")
        return Language::Chinese;
    if (code == u"en")
        return Language::English;
    return std::nullopt;
}

QString LanguageCode(Language language) {
    return language == Language::English ? QStringLiteral("en") : QStringLiteral("zh");
}

Language ChooseLanguage(QStringView option, QStringView stored, const QLocale& locale, bool localeChooses) {
    for (const QStringView code : {option, stored})
        if (const std::optional<Language> language = LanguageFromCode(code))
            return *language;
    if (!localeChooses)
        return Language::Chinese;
    return locale.language() == QLocale::Chinese ? Language::Chinese : Language::English;
}

Language InstalledLanguage() {
    return g_installed.load();
}

void RemoveLanguage() {
    g_bTranslating = false;
    g_installed = Language::Chinese;
    if (g_translator != nullptr)
        QCoreApplication::removeTranslator(g_translator.get());
    g_translator.reset();
}

bool InstallLanguage(Language language) {
    RemoveLanguage();
    auto translator = std::make_unique<QTranslator>();
    const bool loaded = language == Language::English
                            ? translator->load(kEnglishTranslation)
                            : translator->load(QStringLiteral("qtbase_zh_CN"),
                                               QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!loaded)
        return false;
    QCoreApplication::installTranslator(translator.get());
    g_translator = std::move(translator);
    g_bTranslating = true;
    g_installed = language;
    return true;
}
