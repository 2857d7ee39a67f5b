// aviluma-class: the coach's side of a class server.
//
//   aviluma-class init "<administrator's connection>"   creates or updates the schema and the roles
//   aviluma-class check "<connection>"                  says whether a PC could send games with it
//   aviluma-class board "<connection>" --class NAME     the class board, live, in a window
//   aviluma-class remove "<coach's connection>" --game ID --reason TEXT   takes a game off the board
//   aviluma-class login "<administrator's connection>" --login NAME --class NAME   a login of one class
//   aviluma-class export "<connection>" --class NAME [--period today|week|all] [--output FILE]   every game
#include "classroom/ClassBoard.h"
#include "classroom/ClassServer.h"
#include "platform/CommandLine.h"
#include "platform/FileIo.h"
#include "platform/Translation.h"
#include "state/Version.h"

#include <QApplication>

#include <memory>

#include <cstdio>
#include <cstring>

namespace {

int Say(const QString& text, int status) {
    std::fprintf(status == 0 ? stdout : stderr, "%s\n", qPrintable(text));
    return status;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("aviluma-class"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kAvilumaVersion));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        TerminalText("The class server of Aviluma: every PC's games in one PostgreSQL database.\n"
                     "  init \"<administrator's connection>\"  create or update the schema and the roles\n"
                     "  check \"<connection>\"                 test a connection as a PC would use it\n"
                     "  board \"<connection>\" --class <name>  the class board, live, in a window\n"
                     "  remove \"<coach's connection>\" --game <id> --reason <text>  take a game off the board\n"
                     "  login \"<administrator's connection>\" --login <name> --class <name>  a PC login that\n"
                     "      reads and sends the games of that class only\n"
                     "  export \"<connection>\" --class <name> [--period today|week|all] [--output <file>]\n"
                     "      every game of the class in the period as a sheet (GB18030 CSV)",
                     "Aviluma 的班级服务器：全班每台电脑的成绩存进同一个 PostgreSQL 数据库。\n"
                     "  init \"<管理员连接>\"  创建或更新数据库结构和角色\n"
                     "  check \"<连接>\"       以电脑的身份测试连接\n"
                     "  board \"<连接>\" --class <班级>  在窗口中实时显示班级成绩榜\n"
                     "  remove \"<教练连接>\" --game <编号> --reason <原因>  删除一局成绩（留有记录）\n"
                     "  login \"<管理员连接>\" --login <用户> --class <班级>  只能上传和查看该班成绩的电脑登录用户\n"
                     "  export \"<连接>\" --class <班级> [--period today|week|all] [--output <文件>]\n"
                     "      导出该班在这段时间的全部对局（GB18030 编码的 CSV）"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("init | check | board | remove | login | export"));
    const QCommandLineOption className(QStringLiteral("class"), TerminalText("The class (board, export, login).", "班级（board、export、login）。"),
                                       QStringLiteral("name"));
    const QCommandLineOption game(QStringLiteral("game"), TerminalText("The game to remove.", "要删除的成绩编号。"),
                                  QStringLiteral("id"));
    const QCommandLineOption reason(QStringLiteral("reason"), TerminalText("Why it is removed.", "删除的原因。"),
                                    QStringLiteral("text"));
    const QCommandLineOption login(QStringLiteral("login"), TerminalText("The PC login of one class.", "只属于一个班级的电脑登录用户。"),
                                   QStringLiteral("name"));
    const QCommandLineOption period(QStringLiteral("period"), TerminalText("today, week or all (the default).", "today、week 或 all（默认）。"),
                                    QStringLiteral("period"), QStringLiteral("all"));
    const QCommandLineOption output(QStringLiteral("output"), TerminalText("The sheet's file (standard output without).", "表格文件（不写则输出到标准输出）。"),
                                    QStringLiteral("file"));
    const QCommandLineOption language = LanguageOption();
    parser.addOptions({className, game, reason, login, period, output, language});
    parser.addPositionalArgument(QStringLiteral("connection"),
                                 TerminalText("a libpq connection string or postgresql:// URI",
                                              "libpq 连接字符串或 postgresql:// 地址"));
    ParseCommandLine(parser, argc, argv);
    const QString languageCode = LanguageOptionValue(parser, language);
    const QStringList arguments = parser.positionalArguments();
    const QStringList commands{QStringLiteral("init"), QStringLiteral("check"), QStringLiteral("board"),
                               QStringLiteral("remove"), QStringLiteral("login"), QStringLiteral("export")};
    const QStringList periods{QStringLiteral("today"), QStringLiteral("week"), QStringLiteral("all")};
    if (arguments.size() != 2 || !commands.contains(arguments[0]) ||
        (arguments[0] != QLatin1String("init") && arguments[0] != QLatin1String("check") &&
         arguments[0] != QLatin1String("remove") && parser.value(className).isEmpty()) ||
        !periods.contains(parser.value(period)))
        return Say(TerminalText("usage: aviluma-class init|check|remove \"<connection>\" …, "
                                "aviluma-class board|export|login \"<connection>\" --class <name> … (see --help)",
                                "用法：aviluma-class init|check|remove \"<连接>\" …，"
                                "aviluma-class board|export|login \"<连接>\" --class <班级> …（见 --help）"),
                   2);
    // The board needs a window system, the other commands none.
    const std::unique_ptr<QCoreApplication> app = arguments[0] == QLatin1String("board")
                                                      ? std::make_unique<QApplication>(argc, argv)
                                                      : std::make_unique<QCoreApplication>(argc, argv);
    InstallLanguage(ChooseLanguage(languageCode, QString(), QLocale::system()));
    if (arguments[0] == QLatin1String("board"))
        return RunBoardWindow(arguments[1], parser.value(className));
    CClassConnection connection(arguments[1]);
    QString why;
    if (!connection.Open(&why))
        return Say(why, 1);
    if (arguments[0] == QLatin1String("remove")) {
        if (!connection.RemoveGame(parser.value(game), parser.value(reason), &why))
            return Say(why, 1);
        return Say(
            Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "已删除，原成绩和原因保存在 removed_games 中。"))),
            0);
    }
    if (arguments[0] == QLatin1String("login")) {
        if (!connection.AddClassLogin(parser.value(login), parser.value(className), &why))
            return Say(why, 1);
        return Say(
            Tr(QStringLiteral(QT_TRANSLATE_NOOP(
                   "Aviluma", "%1 只能上传和查看班级 %2 的成绩。设置它的密码：psql -c '\\password %1'")))
                .arg(parser.value(login), parser.value(className)),
            0);
    }
    if (arguments[0] == QLatin1String("export")) {
        const std::optional<QByteArray> sheet = GamesCsv(
            connection, parser.value(className), static_cast<BoardPeriod>(periods.indexOf(parser.value(period))), &why);
        if (!sheet)
            return Say(why, 1);
        if (!parser.isSet(output))
            return std::fwrite(sheet->constData(), 1, static_cast<std::size_t>(sheet->size()), stdout) ==
                               static_cast<std::size_t>(sheet->size()) && std::fflush(stdout) == 0
                       ? 0
                       : 1;
        int error = 0;
        if (!ReplaceFileAtomically(parser.value(output), *sheet, &error))
            return Say(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "无法写入 %1：%2")))
                           .arg(parser.value(output), QString::fromLocal8Bit(std::strerror(error))),
                       1);
        return Say(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "已导出 %1 局：%2")))
                       .arg(sheet->count('\n') - 1)
                       .arg(parser.value(output)),
                   0);
    }
    if (arguments[0] == QLatin1String("check")) {
        if (!connection.Check(&why))
            return Say(why, 1);
        return Say(Tr(kClassConnectionGoodText), 0);
    }
    if (!connection.Init(&why))
        return Say(why, 1);
    return Say(
        Tr(QStringLiteral(QT_TRANSLATE_NOOP(
               "Aviluma",
               "班级服务器已就绪（数据库结构版本 %1）。\n"
               "为每台电脑建一个登录用户并授予 aviluma_pc 角色，例如：\n"
               "  CREATE ROLE room1 LOGIN PASSWORD '…' IN ROLE aviluma_pc;\n"
               "或者为每个班级建一个只能看到本班成绩的登录用户：\n"
               "  aviluma-class login \"<管理员连接>\" --login room1 --class <班级>\n"
               "教练用户授予 aviluma_coach 角色。每台电脑第一次启动游戏时加上：\n"
               "  aviluma --class-server \"host=<服务器地址> dbname=<数据库> user=room1 sslmode=require\" "
               "--class <班级> --seat <座位>\n"
               "  密码写在该电脑用户的 ~/.pgpass（权限 0600）里。")))
            .arg(kClassSchemaVersion),
        0);
}
