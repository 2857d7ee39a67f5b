#include "support/LogCapture.h"

#include <mutex>

namespace {

std::mutex g_mutex;
QStringList g_lines;
QtMessageHandler g_previous = nullptr;

void Keep(QtMsgType, const QMessageLogContext& context, const QString& message) {
    std::lock_guard lock(g_mutex);
    g_lines << QStringLiteral("%1: %2").arg(QString::fromLatin1(context.category), message);
}

} // namespace

CLogCapture::CLogCapture() {
    std::lock_guard lock(g_mutex);
    g_lines.clear();
    g_previous = qInstallMessageHandler(Keep);
}

CLogCapture::~CLogCapture() {
    qInstallMessageHandler(g_previous);
}

QStringList CLogCapture::Lines() const {
    std::lock_guard lock(g_mutex);
    return g_lines;
}
