#include "classroom/ClassErrors.h"

#include "platform/Translation.h"

#include <QSqlError>

QString ErrorOf(const QSqlError& error) {
    return error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
}

QString ClassErrorText(const QString& error) {
    const auto has = [&](const char* text) { return error.contains(QLatin1String(text), Qt::CaseInsensitive); };
    if (has("password authentication failed") || has("no password supplied"))
        return Tr(QStringLiteral(
            QT_TRANSLATE_NOOP("Aviluma", "用户名或密码不对（密码放在 ~/.pgpass 或 PGPASSWORD 里）。")));
    if (has("database") && has("does not exist"))
        return Aviluma::tr("服务器上没有这个数据库。");
    if (has("role") && has("does not exist"))
        return Aviluma::tr("服务器上没有这个用户。");
    if (has("could not connect") || has("connection refused") || has("timeout expired") ||
        has("could not translate host name") || has("no route to host") || has("is the server running"))
        return Aviluma::tr("连不上服务器：请检查地址、端口和网络。");
    if (has("too many connections") || has("connection slots are reserved"))
        return Aviluma::tr("服务器的连接数已满：成绩留在本机，稍后自动重试。");
    if (has("row-level security"))
        return Tr(
            QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "这个用户只能上传自己班级的成绩：请检查班级名称。")));
    if (has("permission denied"))
        return Aviluma::tr("这个用户没有权限：上传成绩需要 aviluma_pc 角色，删除成绩需要 aviluma_coach 角色。");
    if (has("server closed the connection") || has("connection to server was lost"))
        return Aviluma::tr("服务器断开了连接。");
    if (has("statement timeout") || has("canceling statement"))
        return Aviluma::tr("服务器没有及时回应。");
    return error.trimmed();
}
