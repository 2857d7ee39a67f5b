#include "platform/WindowSystem.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStringList>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The Wayland display the session names, when its socket is there to connect to.
bool WaylandDisplayIsThere() {
    const QString name = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (name.isEmpty())
        return false;
    const bool absolute = name.startsWith(QLatin1Char('/'));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!absolute && runtime.isEmpty())
        return false;
    struct stat st;
    const QByteArray socket = QFile::encodeName(absolute ? name : runtime + QLatin1Char('/') + name);
    return stat(socket.constData(), &st) == 0 && S_ISSOCK(st.st_mode);
}

QStringList g_heldMessages;
const char* g_program = "";
bool g_holding = false;
bool g_verbose = false;
std::thread::id g_mainThread;

void SayNoWindow() {
    if (!g_holding)
        return;
    g_holding = false;
    if (g_verbose)
        for (const QString& held : std::as_const(g_heldMessages))
            std::fprintf(stderr, "%s\n", qPrintable(held));
    std::fprintf(stderr, "%s: cannot open a window on the display (Qt platform \"%s\")%s.\n", g_program,
                 qgetenv("QT_QPA_PLATFORM").constData(), g_verbose ? "" : "; --verbose tells more");
}

void HoldStartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    g_heldMessages << qFormatLogMessage(type, context, message);
    // Qt's display threads end the process themselves when their connection breaks.
    if (type == QtFatalMsg || std::this_thread::get_id() != g_mainThread) {
        SayNoWindow();
        _exit(1);
    }
}

} // namespace

QString ChooseWindowPlatform() {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return {}; // the player (or a test) chose
    const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms/");
    const bool waylandPlugin = QFileInfo::exists(plugins + QStringLiteral("libqwayland-generic.so"));
    const bool wayland = waylandPlugin && WaylandDisplayIsThere();
    const bool x11 =
        qEnvironmentVariableIsSet("DISPLAY") && QFileInfo::exists(plugins + QStringLiteral("libqxcb.so"));
    if (wayland || x11) {
        qputenv("QT_QPA_PLATFORM", wayland && x11 ? "wayland;xcb" : wayland ? "wayland" : "xcb");
        return {};
    }
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && !waylandPlugin)
        return QStringLiteral("this is a Wayland session, but Qt's Wayland support is not installed "
                              "(Debian: sudo apt-get install qt6-wayland)");
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        return QStringLiteral("the Wayland display %1 is not there")
            .arg(qEnvironmentVariable("WAYLAND_DISPLAY"));
    return QStringLiteral("no display found");
}

void HoldStartupMessages(const char* program, bool verbose) {
    g_program = program;
    g_verbose = verbose;
    g_holding = true;
    g_mainThread = std::this_thread::get_id();
    static const bool once = std::atexit(SayNoWindow) == 0;
    (void)once;
    qInstallMessageHandler(HoldStartupMessage);
}

void ReleaseStartupMessages() {
    g_holding = false;
    qInstallMessageHandler(nullptr);
    for (const QString& held : std::as_const(g_heldMessages))
        std::fprintf(stderr, "%s\n", qPrintable(held));
    g_heldMessages.clear();
}

void ShowFocusAlways() {
    class CFocusShown final : public QObject {
    public:
        using QObject::QObject;

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Show && watched->isWidgetType()) {
                auto* widget = static_cast<QWidget*>(watched);
                if (widget->isWindow())
                    widget->setAttribute(Qt::WA_KeyboardFocusChange);
            }
            return false;
        }
    };
    static CFocusShown* filter = nullptr;
    if (filter == nullptr)
        qApp->installEventFilter(filter = new CFocusShown(qApp));
}
