// aviluma-class: the coach's side of a class server.
//
//   aviluma-class init "<administrator's connection>" [--coach NAME]   creates or updates the schema and
//                                                       the roles; NAME reads and corrects every class
//   aviluma-class check "<connection>"                  says whether a PC could send games with it
//   aviluma-class board "<connection>" --class NAME     the class board, live, in a window
//   aviluma-class remove "<coach's connection>" --game ID --reason TEXT   takes a game off the board
//   aviluma-class login "<administrator's connection>" --login NAME --class NAME|--every-class   a PC login
//   aviluma-class export "<connection>" --class NAME [--period today|week|all] [--output FILE]   every game
#include "classroom/ClassClient.h"
#include "classroom/ClassConnection.h"
#include "platform/CommandLine.h"
#include "platform/FileIo.h"
#include "platform/Translation.h"
#include "platform/WindowSystem.h"
#include "state/Version.h"
#include "windows/BoardWindow.h"

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
                     "  init \"<administrator's connection>\" [--coach <login>]  create or update the schema and\n"
                     "      the roles (as the server's administrator); the coach's login reads and corrects\n"
                     "      every class's games\n"
                     "  check \"<connection>\" [--class <name>]  test a connection as a PC of that class would\n"
                     "  board \"<connection>\" --class <name>  the class board, live, in a window\n"
                     "  remove \"<coach's connection>\" --game <id> --reason <text>  take a game off the board\n"
                     "  login \"<administrator's connection>\" --login <name> --class <name>  a PC login that\n"
                     "      reads and sends the games of that class only (--every-class: of every class)\n"
                     "  export \"<connection>\" --class <name> [--period today|week|all] [--output <file>]\n"
                     "      every game of the class in the period as a sheet (GB18030 CSV)",
                     "Aviluma 的班级服务器：全班每台电脑的成绩存进同一个 PostgreSQL 数据库。\n"
                     "  init \"<管理员连接>\" [--coach <用户>]  创建或更新数据库结构和角色（由服务器管理员运行）；\n"
                     "      教练用户可以查看和更正所有班级的成绩\n"
                     "  check \"<连接>\" [--class <班级>]  以该班电脑的身份测试连接\n"
                     "  board \"<连接>\" --class <班级>  在窗口中实时显示班级成绩榜\n"
                     "  remove \"<教练连接>\" --game <编号> --reason <原因>  删除一局成绩（留有记录）\n"
                     "  login \"<管理员连接>\" --login <用户> --class <班级>  只能上传和查看该班成绩的电脑登录用户\n"
                     "      （--every-class：所有班级）\n"
                     "  export \"<连接>\" --class <班级> [--period today|week|all] [--output <文件>]\n"
                     "      导出该班在这段时间的全部对局（GB18030 编码的 CSV）"));
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("init | check | board | remove | login | export"));
    const QCommandLineOption className(QStringLiteral("class"), TerminalText("The class (board, export, login, check).", "班级（board、export、login、check）。"),
                                       QStringLiteral("name"));
    const QCommandLineOption game(QStringLiteral("game"), TerminalText("The game to remove.", "要删除的成绩编号。"),
                                  QStringLiteral("id"));
    const QCommandLineOption reason(QStringLiteral("reason"), TerminalText("Why it is removed.", "删除的原因。"),
                                    QStringLiteral("text"));
    const QCommandLineOption login(QStringLiteral("login"), TerminalText("The PC login of one class.", "只属于一个班级的电脑登录用户。"),
                                   QStringLiteral("name"));
    const QCommandLineOption coach(QStringLiteral("coach"),
                                   TerminalText("The coach's login: it reads and corrects every class (init).",
                                                "教练的登录用户：可查看和更正所有班级的成绩（init）。"),
                                   QStringLiteral("login"));
    const QCommandLineOption everyClass(
        QStringLiteral("every-class"),
        TerminalText("The PC login reads and sends the games of every class (login).",
                     "该电脑登录用户可上传和查看所有班级的成绩（login）。"));
    const QCommandLineOption period(QStringLiteral("period"), TerminalText("today, week or all (the default).", "today、week 或 all（默认）。"),
                                    QStringLiteral("period"), QStringLiteral("all"));
    const QCommandLineOption output(QStringLiteral("output"), TerminalText("The sheet's file (standard output without).", "表格文件（不写则输出到标准输出）。"),
                                    QStringLiteral("file"));
    const QCommandLineOption language = LanguageOption();
    parser.addPositionalArgument(QStringLiteral("connection"),
                                 TerminalText("a libpq connection string or postgresql:// URI",
                                              "libpq 连接字符串或 postgresql:// 地址"));
    ParseCommandLine(parser, {className, coach, everyClass, game, reason, login, period, output, language},
                     argc, argv);
    const QString languageCode = LanguageOptionValue(parser, language);
    const QStringList arguments = parser.positionalArguments();
    const QStringList commands{QStringLiteral("init"), QStringLiteral("check"), QStringLiteral("board"),
                               QStringLiteral("remove"), QStringLiteral("login"), QStringLiteral("export")};
    const QStringList periods{QStringLiteral("today"), QStringLiteral("week"), QStringLiteral("all")};
    // board, export and login name a class (login may say every class instead); the others none.
    const bool needsClass = arguments.size() == 2 && (arguments[0] == QLatin1String("board") ||
                                                      arguments[0] == QLatin1String("export") ||
                                                      arguments[0] == QLatin1String("login"));
    const bool everyClassLogin = arguments.size() == 2 && arguments[0] == QLatin1String("login") &&
                                 parser.isSet(everyClass);
    if (arguments.size() != 2 || !commands.contains(arguments[0]) ||
        (needsClass && parser.value(className).isEmpty() == !everyClassLogin) ||
        !periods.contains(parser.value(period)))
        return Say(TerminalText("usage: aviluma-class init|check|remove \"<connection>\" …, "
                                "aviluma-class board|export|login \"<connection>\" --class <name> … "
                                "(login: --class or --every-class; see --help)",
                                "用法：aviluma-class init|check|remove \"<连接>\" …，"
                                "aviluma-class board|export|login \"<连接>\" --class <班级> …"
                                "（login 用 --class 或 --every-class；见 --help）"),
                   2);
    // The board needs a window system, the other commands none.
    const std::unique_ptr<QCoreApplication> app = arguments[0] == QLatin1String("board")
                                                      ? std::make_unique<QApplication>(argc, argv)
                                                      : std::make_unique<QCoreApplication>(argc, argv);
    InstallLanguage(ChooseLanguage(languageCode, QString(), QLocale::system()));
    if (arguments[0] == QLatin1String("board")) {
        ShowFocusAlways();
        return RunBoardWindow(arguments[1], parser.value(className));
    }
    CClassConnection connection(arguments[1]);
    QString why;
    if (!connection.Open(&why))
        return Say(why, 1);
    if (arguments[0] == QLatin1String("remove")) {
        if (!connection.RemoveGame(parser.value(game), parser.value(reason), &why))
            return Say(why, 1);
        return Say(
            Aviluma::tr("已删除，原成绩和原因保存在 removed_games 中。"),
            0);
    }
    if (arguments[0] == QLatin1String("login")) {
        const std::optional<QString> loginClass =
            everyClassLogin ? std::nullopt : std::optional<QString>(parser.value(className));
        if (!connection.AddClassLogin(parser.value(login), loginClass, &why))
            return Say(why, 1);
        const QString scope =
            loginClass ? Aviluma::tr("%1 只能上传和查看班级 %2 的成绩。")
                             .arg(parser.value(login), *loginClass)
                       : Aviluma::tr("%1 可以上传和查看所有班级的成绩。")
                             .arg(parser.value(login));
        return Say(scope + QLatin1Char('\n') +
                       Aviluma::tr("在服务器上设置它的密码：sudo -u postgres psql -c '\\password %1'")
                           .arg(parser.value(login)),
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
            return Say(Aviluma::tr("无法写入 %1：%2")
                           .arg(parser.value(output), QString::fromLocal8Bit(std::strerror(error))),
                       1);
        return Say(Aviluma::tr("已导出 %1 局：%2")
                       .arg(sheet->count('\n') - 1)
                       .arg(parser.value(output)),
                   0);
    }
    if (arguments[0] == QLatin1String("check")) {
        if (!connection.Check(&why, parser.value(className)))
            return Say(why, 1);
        return Say(Tr(kClassConnectionGoodText), 0);
    }
    QStringList classless;
    if (!connection.Init(parser.value(coach), &why, &classless))
        return Say(why, 1);
    QString done = Aviluma::tr("班级服务器已就绪（数据库结构版本 %1）。\n"
                          "为每个班级建一个只能看到本班成绩的电脑登录用户，并在服务器上设置它的密码：\n"
                          "  sudo -u postgres aviluma-class login \"dbname=<数据库>\" --login room1 --class <班级>\n"
                          "  sudo -u postgres psql -c '\\password room1'\n"
                          "每台电脑第一次启动游戏时加上：\n"
                          "  aviluma --class-server \"host=<服务器地址> dbname=<数据库> user=room1 sslmode=require\" "
                          "--class <班级> --seat <座位>\n"
                          "  密码写在该电脑用户的 ~/.pgpass（权限 0600）里。")
                       .arg(kClassSchemaVersion);
    if (parser.isSet(coach))
        done += QLatin1Char('\n') +
                Aviluma::tr("%1 可以查看和更正所有班级的成绩。").arg(parser.value(coach));
    if (!classless.isEmpty())
        done += QLatin1Char('\n') +
                Aviluma::tr("这些电脑登录用户还没有班级，看不到也传不了成绩：%1。"
                                  "用 aviluma-class login … --class <班级>（或 --every-class）为它们指定。")
                    .arg(classless.join(QStringLiteral(", ")));
    return Say(done, 0);
}
