#include "platform/CommandLine.h"

#include "platform/Translation.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

QString TerminalText(const char* english, const char* chinese) {
    return QString::fromUtf8(QLocale::system().language() == QLocale::Chinese ? chinese : english);
}

void ParseCommandLine(QCommandLineParser& parser, const QList<QCommandLineOption>& options, int argc,
                      char* argv[]) {
    QCoreApplication reader(argc, argv);
    QTranslator qtWords;
    if (qtWords.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtWords);
    // Qt words these two as they are added.
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(options);
    parser.process(reader);
}

QCommandLineOption LanguageOption() {
    return {QStringLiteral("lang"),
            TerminalText("The language of the windows and messages: zh (Chinese) or en (English); by default "
                         "the system's (Chinese for a Chinese locale, English for any other).",
                         "窗口和消息的语言：zh（中文）或 en（英文）；默认按系统语言（中文环境为中文，其他为英文）。"),
            QStringLiteral("language")};
}

QString LanguageOptionValue(const QCommandLineParser& parser, const QCommandLineOption& option) {
    const QString code = parser.value(option);
    if (parser.isSet(option) && !LanguageFromCode(code)) {
        const QString program = QCoreApplication::applicationName();
        std::fprintf(stderr, "%s\n",
                     qPrintable(TerminalText("%1: unknown language \"%2\": --lang takes zh or en.",
                                             "%1：未知的语言“%2”：--lang 只能是 zh 或 en。")
                                    .arg(program, code)));
        std::exit(2);
    }
    return code;
}
