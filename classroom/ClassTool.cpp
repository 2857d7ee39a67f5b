// aviluma-class: the coach's side of a class server.
//
//   aviluma-class setup [connection] --subnet CIDR [--class NAME …]   the server in one go, as its
//                                                       administrator: database, logins, the subnet let in
//   aviluma-class setup [connection] --show|--undo      what setup changed in the server's configuration
//   aviluma-class add-class NAME [connection] [--login NAME] [--new-password]   a class's PC login
//   aviluma-class init "<administrator's connection>" [--coach NAME]   creates or updates the schema and
//                                                       the roles; NAME reads and corrects every class
//   aviluma-class check "<connection>"                  says whether a PC could send games with it
//   aviluma-class board "<connection>" --class NAME     the class board, live, in a window
//   aviluma-class remove "<coach's connection>" --game ID --reason TEXT   takes a game off the board
//   aviluma-class login "<administrator's connection>" --login NAME --class NAME|--every-class   a PC login
//   aviluma-class export "<connection>" --class NAME [--period today|week|all] [--output FILE]   every game
#include "classroom/ClassClient.h"
#include "classroom/ClassConnection.h"
#include "classroom/ClassConnectionString.h"
#include "classroom/ClassSetup.h"
#include "platform/CommandLine.h"
#include "platform/FileIo.h"
#include "platform/Translation.h"
#include "platform/WindowSystem.h"
#include "state/Version.h"
#include "windows/BoardWindow.h"

#include <QApplication>
#include <QRegularExpression>

#include <memory>

#include <cstdio>
#include <cstring>

namespace {

int Say(const QString& text, int status) {
    std::fprintf(status == 0 ? stdout : stderr, "%s\n", qPrintable(text));
    return status;
}

const QString kDefaultDatabase = QStringLiteral("aviluma");
constexpr int kDefaultPort = 5432;

// The administrator's connection to database: the connection given (libpq's defaults without one: the
// local socket, as the login running it), with its database replaced.
std::optional<QString> OnDatabase(const QString& connection, const QString& database, QString* why) {
    const std::optional<std::map<QString, QString>> values = ParseConnection(connection, why);
    if (!values)
        return std::nullopt;
    std::vector<std::pair<QString, QString>> pairs(values->begin(), values->end());
    std::erase_if(pairs, [](const auto& pair) { return pair.first == QLatin1String("dbname"); });
    pairs.emplace_back(QStringLiteral("dbname"), database);
    return ConnectionText(pairs);
}

// A word as a shell reads it back: as it is when it holds nothing the shell treats specially.
QString ShellWord(const QString& word) {
    static const QRegularExpression plain(QStringLiteral("^[\\p{L}\\p{N}_./:@%+,=-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    return QLatin1Char('\'') + QString(word).replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
}

// How the PCs reach the class database: this server's address in a subnet setup let in, its port.
struct ServerAddress {
    QString host; // empty when this machine has no address in any of them
    int port = kDefaultPort;
};
ServerAddress AddressOfServer(CClassConnection& admin, const NetworkChanges& network) {
    ServerAddress server;
    for (const QString& rule : network.rules)
        if (const std::optional<Subnet> subnet = ParseSubnet(rule.section(QLatin1Char(' '), 3, 3, QString::SectionSkipEmpty));
            subnet && server.host.isEmpty())
            server.host = AddressIn(*subnet);
    QSqlQuery query(admin.Database());
    if (query.exec(QStringLiteral("SELECT current_setting('port')")) && query.next())
        server.port = query.value(0).toInt();
    return server;
}

QString PcConnection(const ServerAddress& server, const QString& database, const QString& login) {
    std::vector<std::pair<QString, QString>> pairs{
        {QStringLiteral("host"), server.host.isEmpty() ? Aviluma::tr("<服务器地址>") : server.host}};
    if (server.port != kDefaultPort)
        pairs.emplace_back(QStringLiteral("port"), QString::number(server.port));
    pairs.insert(pairs.end(), {{QStringLiteral("dbname"), database},
                               {QStringLiteral("user"), login},
                               {QStringLiteral("sslmode"), QStringLiteral("require")}});
    return ConnectionText(pairs);
}

// What the administrator hands on for one class: its login, its password (once), the line each PC types.
QString ClassText(const ClassLogin& made, const QString& connection, const QString& addClass) {
    QStringList lines{made.existed ? Aviluma::tr("班级 %1 的电脑登录用户：%2（已有）").arg(made.className, made.login)
                                   : Aviluma::tr("班级 %1 的电脑登录用户：%2（新建）").arg(made.className, made.login)};
    if (made.password.isEmpty())
        lines << Aviluma::tr("  密码不变（换新密码：%1 --new-password）").arg(addClass);
    else
        lines << Aviluma::tr("  密码：%1").arg(made.password)
              << Aviluma::tr("  （只显示这一次：请记下，在每台电脑游戏主窗口右键菜单的“班级”里填入。）");
    lines << Aviluma::tr("  每台电脑第一次启动游戏时输入（座位换成这台电脑的）：")
          << QStringLiteral("  aviluma --class-server \"%1\" --class %2 --seat %3")
                 .arg(connection, ShellWord(made.className), Aviluma::tr("<座位>"));
    return lines.join(QLatin1Char('\n'));
}

// The command that adds a class (given as the shell reads it), as the administrator types it on this server.
QString AddClassCommand(const QString& classWord, const QString& database) {
    QString command = QStringLiteral("sudo -u postgres aviluma-class add-class ") + classWord;
    if (database != kDefaultDatabase)
        command += QStringLiteral(" --database ") + ShellWord(database);
    return command;
}

QString RestartText() {
    return Aviluma::tr("要让服务器按新的设置在网络上监听，请重启 PostgreSQL：sudo systemctl restart postgresql");
}

// setup --show and --undo: what setup changed, or that it is taken back.
int ShowOrUndo(CClassConnection& admin, bool undo) {
    QString why;
    NetworkChanges network;
    if (undo ? !CloseNetwork(admin, &network, &why) : !ReadNetworkChanges(admin, &network, &why))
        return Say(why, 1);
    if (network.rules.isEmpty())
        return Say(Aviluma::tr("aviluma-class setup 没有改动这台服务器的网络设置（%1 里没有它的一段）。").arg(network.hbaFile), 0);
    QStringList lines{undo ? Aviluma::tr("已从 %1 删去 aviluma-class setup 的一段，电脑不能再从网络连接：").arg(network.hbaFile)
                           : Aviluma::tr("aviluma-class setup 在 %1 里加的一段：").arg(network.hbaFile)};
    for (const QString& rule : network.rules)
        lines << QStringLiteral("  ") + rule;
    if (network.listenSet)
        lines << (undo ? Aviluma::tr("postgresql.auto.conf 里的 listen_addresses = '*' 已撤销（ALTER SYSTEM RESET）。")
                       : Aviluma::tr("以及 postgresql.auto.conf 里的 listen_addresses = '*'（ALTER SYSTEM）。"));
    if (network.sslSet)
        lines << (undo ? Aviluma::tr("postgresql.auto.conf 里的 ssl = on 已撤销（ALTER SYSTEM RESET）。")
                       : Aviluma::tr("以及 postgresql.auto.conf 里的 ssl = on（ALTER SYSTEM）。"));
    if (network.restartPending)
        lines << RestartText();
    lines << (undo ? Aviluma::tr("数据库、登录用户和成绩都保留。")
                   : Aviluma::tr("撤销：sudo -u postgres aviluma-class setup --undo（数据库和成绩保留）"));
    return Say(lines.join(QLatin1Char('\n')), 0);
}

// What setup and add-class were asked.
struct SetupRequest {
    QString connection; // the administrator's; libpq's defaults when empty
    QString database;
    QString coach;
    QString subnet;
    QStringList classes;
    bool show = false;
    bool undo = false;
};

int RunSetup(const SetupRequest& request) {
    const std::optional<Subnet> room = ParseSubnet(request.subnet);
    if (!room && !request.show && !request.undo)
        return Say(Aviluma::tr("“%1”不是子网：请写成地址/位数，例如 192.168.10.0/24。").arg(request.subnet), 2);
    QString why;
    const std::optional<QString> maintenance = OnDatabase(request.connection, QStringLiteral("postgres"), &why);
    if (!maintenance)
        return Say(why, 1);
    CClassConnection admin(*maintenance);
    if (!admin.Open(&why) || !IsAdministrator(admin, &why))
        return Say(why, 1);
    if (!room)
        return ShowOrUndo(admin, request.undo);
    bool created = false;
    bool turnTlsOn = false; // later, with the network
    if (!RequireTls(admin, *room, &turnTlsOn, &why) || !EnsureDatabase(admin, request.database, &created, &why))
        return Say(why, 1);
    const std::optional<QString> coachPassword = EnsureCoach(admin, request.coach, &why);
    if (!coachPassword)
        return Say(why, 1);
    const std::optional<QString> onClass = OnDatabase(request.connection, request.database, &why);
    CClassConnection classAdmin(onClass.value_or(QString()));
    if (!classAdmin.Open(&why) || !classAdmin.Init(request.coach, &why))
        return Say(why, 1);
    std::vector<ClassLogin> logins;
    for (const QString& className : request.classes) {
        const std::optional<ClassLogin> made = AddClass(classAdmin, className, QString(), false, &why);
        if (!made)
            return Say(why, 1);
        logins.push_back(*made);
    }
    NetworkChanges network;
    if (!OpenNetwork(classAdmin, request.database, *room, &network, &why))
        return Say(why, 1);
    const ServerAddress server = AddressOfServer(classAdmin, network);
    QStringList lines{(created ? Aviluma::tr("已新建数据库 %1（数据库结构版本 %2）。")
                               : Aviluma::tr("数据库 %1 已有，已更新到数据库结构版本 %2。"))
                          .arg(request.database)
                          .arg(kClassSchemaVersion)};
    lines << (coachPassword->isEmpty()
                  ? Aviluma::tr("教练登录用户 %1 已有，密码不变。").arg(request.coach)
                  : Aviluma::tr("教练登录用户 %1 的密码：%2（只显示这一次）").arg(request.coach, *coachPassword))
          << Aviluma::tr("教练在自己的电脑上打开班级成绩榜（密码写进 ~/.pgpass 或 PGPASSWORD）：")
          << QStringLiteral("  aviluma-class board \"%1\" --class %2")
                 .arg(PcConnection(server, request.database, request.coach),
                      logins.empty() ? Aviluma::tr("<班级>") : ShellWord(logins.front().className));
    for (const ClassLogin& made : logins)
        lines << ClassText(made, PcConnection(server, request.database, made.login),
                           AddClassCommand(ShellWord(made.className), request.database));
    lines << Aviluma::tr("机房子网 %1 的电脑可以经 TLS 用密码连接（%2 里 aviluma-class setup 的一段）。")
                 .arg(room->Text(), network.hbaFile);
    if (network.sslSet)
        lines << Aviluma::tr("服务器原先没有开启 TLS：已用它设置里的证书开启（ssl = on）。");
    if (server.host.isEmpty())
        lines << Aviluma::tr("这台服务器在子网 %1 里没有地址：请把上面的 <服务器地址> 换成机房电脑连得到的这台服务器的地址。")
                     .arg(room->Text());
    if (network.restartPending)
        lines << RestartText();
    lines << Aviluma::tr("以后再加班级：%1").arg(AddClassCommand(Aviluma::tr("<班级>"), request.database))
          << Aviluma::tr("查看或撤销对服务器设置的改动：sudo -u postgres aviluma-class setup --show（或 --undo）");
    return Say(lines.join(QLatin1Char('\n')), 0);
}

int RunAddClass(const SetupRequest& request, const QString& className, const QString& login, bool newPassword) {
    QString why;
    const std::optional<QString> onClass = OnDatabase(request.connection, request.database, &why);
    if (!onClass)
        return Say(why, 1);
    CClassConnection admin(*onClass);
    if (!admin.Open(&why) || !IsAdministrator(admin, &why))
        return Say(why, 1);
    const std::optional<ClassLogin> made = AddClass(admin, className, login, newPassword, &why);
    if (!made)
        return Say(why, 1);
    // Where the PCs reach the server: the subnets setup let in, when this is the server.
    NetworkChanges network;
    const bool local = ReadNetworkChanges(admin, &network, &why);
    const ServerAddress server = AddressOfServer(admin, network);
    QStringList lines{ClassText(*made, PcConnection(server, request.database, made->login),
                                AddClassCommand(ShellWord(made->className), request.database))};
    if (local && network.rules.isEmpty())
        lines << Aviluma::tr("机房的电脑还连不上：先运行 sudo -u postgres aviluma-class setup --subnet <子网>。");
    else if (server.host.isEmpty())
        lines << Aviluma::tr("请把上面的 <服务器地址> 换成机房电脑连得到的这台服务器的地址。");
    return Say(lines.join(QLatin1Char('\n')), 0);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("aviluma-class"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kAvilumaVersion));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        TerminalText("The class server of Aviluma: every PC's games in one PostgreSQL database.\n"
                     "  setup [\"<administrator's connection>\"] --subnet <address/bits> [--class <name> ...]\n"
                     "      [--database <name>] [--coach <login>]  the whole server, run once as its\n"
                     "      administrator (sudo -u postgres): the database, the coach's login, a login per\n"
                     "      class with its password, the room's subnet let in over TLS; it prints what each\n"
                     "      PC types. --show shows what it changed in the server's settings, --undo takes\n"
                     "      that back (the database and its games stay)\n"
                     "  add-class <name> [\"<administrator's connection>\"] [--login <login>] [--new-password]\n"
                     "      the PC login of one more class, with its password and the line each PC types\n"
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
                     "  setup [\"<管理员连接>\"] --subnet <地址/位数> [--class <班级> ...]\n"
                     "      [--database <数据库>] [--coach <用户>]  以服务器管理员身份（sudo -u postgres）运行一次，\n"
                     "      建好整个服务器：数据库、教练用户、每个班级的登录用户和密码，并允许机房子网经 TLS\n"
                     "      连接；最后显示每台电脑要输入的内容。--show 显示它改了服务器的哪些设置，--undo 撤销\n"
                     "      这些改动（数据库和成绩保留）\n"
                     "  add-class <班级> [\"<管理员连接>\"] [--login <用户>] [--new-password]\n"
                     "      再加一个班级的电脑登录用户，显示它的密码和每台电脑要输入的内容\n"
                     "  init \"<管理员连接>\" [--coach <用户>]  创建或更新数据库结构和角色（由服务器管理员运行）；\n"
                     "      教练用户可以查看和更正所有班级的成绩\n"
                     "  check \"<连接>\" [--class <班级>]  以该班电脑的身份测试连接\n"
                     "  board \"<连接>\" --class <班级>  在窗口中实时显示班级成绩榜\n"
                     "  remove \"<教练连接>\" --game <编号> --reason <原因>  删除一局成绩（留有记录）\n"
                     "  login \"<管理员连接>\" --login <用户> --class <班级>  只能上传和查看该班成绩的电脑登录用户\n"
                     "      （--every-class：所有班级）\n"
                     "  export \"<连接>\" --class <班级> [--period today|week|all] [--output <文件>]\n"
                     "      导出该班在这段时间的全部对局（GB18030 编码的 CSV）"));
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("setup | add-class | init | check | board | remove | login | export"));
    const QCommandLineOption className(QStringLiteral("class"),
                                       TerminalText("The class (board, export, login, check; setup: once per class).",
                                                    "班级（board、export、login、check；setup：每个班级写一次）。"),
                                       QStringLiteral("name"));
    const QCommandLineOption subnet(QStringLiteral("subnet"),
                                    TerminalText("The room's network whose PCs may connect, e.g. 192.168.10.0/24 (setup).",
                                                 "允许连接的机房网络，例如 192.168.10.0/24（setup）。"),
                                    QStringLiteral("address/bits"));
    const QCommandLineOption database(QStringLiteral("database"),
                                      TerminalText("The class server's database (setup, add-class; aviluma by default).",
                                                   "班级服务器的数据库（setup、add-class；默认 aviluma）。"),
                                      QStringLiteral("name"), kDefaultDatabase);
    const QCommandLineOption show(QStringLiteral("show"),
                                  TerminalText("Show what setup changed in the server's settings (setup).",
                                               "显示 setup 改了服务器的哪些设置（setup）。"));
    const QCommandLineOption undo(QStringLiteral("undo"),
                                  TerminalText("Take back what setup changed in the server's settings; the database "
                                               "and its games stay (setup).",
                                               "撤销 setup 对服务器设置的改动；数据库和成绩保留（setup）。"));
    const QCommandLineOption newPassword(QStringLiteral("new-password"),
                                         TerminalText("Give an existing class's login a new password (add-class).",
                                                      "为已有班级的登录用户换一个新密码（add-class）。"));
    const QCommandLineOption game(QStringLiteral("game"), TerminalText("The game to remove.", "要删除的成绩编号。"),
                                  QStringLiteral("id"));
    const QCommandLineOption reason(QStringLiteral("reason"), TerminalText("Why it is removed.", "删除的原因。"),
                                    QStringLiteral("text"));
    const QCommandLineOption login(QStringLiteral("login"),
                                   TerminalText("The PC login of one class (login, add-class).",
                                                "只属于一个班级的电脑登录用户（login、add-class）。"),
                                   QStringLiteral("name"));
    const QCommandLineOption coach(QStringLiteral("coach"),
                                   TerminalText("The coach's login: it reads and corrects every class (init; setup: "
                                                "coach by default, made when missing).",
                                                "教练的登录用户：可查看和更正所有班级的成绩（init；setup：默认 coach，"
                                                "没有时新建）。"),
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
    ParseCommandLine(parser,
                     {className, subnet, database, coach, everyClass, game, reason, login, newPassword, show, undo,
                      period, output, language},
                     argc, argv);
    const QString languageCode = LanguageOptionValue(parser, language);
    const QStringList arguments = parser.positionalArguments();
    const QStringList commands{QStringLiteral("init"), QStringLiteral("check"), QStringLiteral("board"),
                               QStringLiteral("remove"), QStringLiteral("login"), QStringLiteral("export")};
    const QString command = arguments.value(0);
    const bool setup = command == QLatin1String("setup");
    if (setup || command == QLatin1String("add-class")) {
        // setup [connection] with one of --subnet, --show, --undo; add-class <class> [connection].
        const qsizetype words = setup ? 1 : 2;
        const int modes = int(parser.isSet(subnet)) + int(parser.isSet(show)) + int(parser.isSet(undo));
        if (arguments.size() < words || arguments.size() > words + 1 || modes != (setup ? 1 : 0))
            return Say(TerminalText("usage: aviluma-class setup [\"<connection>\"] --subnet <address/bits> "
                                    "[--class <name> …] | --show | --undo, "
                                    "aviluma-class add-class <name> [\"<connection>\"] [--login <login>] [--new-password]",
                                    "用法：aviluma-class setup [\"<连接>\"] --subnet <地址/位数> [--class <班级> …] "
                                    "| --show | --undo，"
                                    "aviluma-class add-class <班级> [\"<连接>\"] [--login <用户>] [--new-password]"),
                       2);
        const QCoreApplication app(argc, argv);
        InstallLanguage(ChooseLanguage(languageCode, QString(), QLocale::system()));
        const SetupRequest request{arguments.value(words),     parser.value(database),
                                   parser.value(coach).isEmpty() ? QStringLiteral("coach") : parser.value(coach),
                                   parser.value(subnet),       parser.values(className),
                                   parser.isSet(show),         parser.isSet(undo)};
        return setup ? RunSetup(request)
                     : RunAddClass(request, arguments[1], parser.value(login), parser.isSet(newPassword));
    }
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
        return Say(TerminalText("usage: aviluma-class setup --subnet <address/bits> …, "
                                "aviluma-class add-class <name> …, "
                                "aviluma-class init|check|remove \"<connection>\" …, "
                                "aviluma-class board|export|login \"<connection>\" --class <name> … "
                                "(login: --class or --every-class; see --help)",
                                "用法：aviluma-class setup --subnet <地址/位数> …，"
                                "aviluma-class add-class <班级> …，"
                                "aviluma-class init|check|remove \"<连接>\" …，"
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
                               "为每个班级建一个只能看到本班成绩的电脑登录用户，它会显示密码和每台电脑要输入的内容：\n"
                               "  sudo -u postgres aviluma-class add-class <班级> --database <数据库>")
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
