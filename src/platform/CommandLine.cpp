#include "platform/CommandLine.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString TerminalText(const char* english, const char* chinese) {
    return QString::fromUtf8(QLocale::system().language() == QLocale::Chinese ? chinese : english);
}

void ParseCommandLine(QCommandLineParser& parser, int argc, char* argv[]) {
    QCoreApplication reader(argc, argv);
    QTranslator qtWords;
    if (qtWords.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtWords);
    parser.process(reader);
}
