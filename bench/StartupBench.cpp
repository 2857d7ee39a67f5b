// How long from the process start to the main window's first paint, and how much memory the program
// holds with every window built and opened once. Prints figures; asserts nothing. Runs on the display
// it finds (offscreen when there is none).
#include "app/AvilumaDlg.h"
#include "link/Heartbeat.h"
#include "platform/MessageBox.h"
#include "platform/UiThread.h"
#include "state/Globals.h"
#include "widgets/Fonts.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include <time.h>
#include <unistd.h>

namespace {

// Seconds since boot at which this process started, and now.
double ProcessStartSeconds() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(19).toDouble() / static_cast<double>(sysconf(_SC_CLK_TCK)); // field 22 of the line
}

double SecondsSinceBoot() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

long ResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

class CFirstPaint : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && seconds < 0)
            seconds = SecondsSinceBoot();
        return false;
    }
    double seconds = -1;
};

} // namespace

int main(int argc, char* argv[]) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    CUiThread::Attach();
    InitAppDir();
    SetMessageResponder([](const QString&, MessageKind) { return false; });

    CFirstPaint firstPaint;
    double shownAt = 0;
    {
        CAvilumaDlg dlg;
        dlg.installEventFilter(&firstPaint);
        dlg.Open();
        while (firstPaint.seconds < 0)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        shownAt = SecondsSinceBoot(); // the paint has run to its end
        const double start = ProcessStartSeconds();
        std::printf(
            "process start to the main window's first paint: begun after %.0f ms, done after %.0f ms\n",
            (firstPaint.seconds - start) * 1000.0, (shownAt - start) * 1000.0);
        std::printf("resident memory with the main window shown: %ld KiB\n", ResidentKiB());

        dlg.m_dlgMap.Open();
        dlg.m_dlgMap.m_dlgRun.Open();
        dlg.m_dlgRun.Open();
        dlg.m_dlgGameType.Open();
        dlg.m_dlgRun.m_dlgRecord.Open();
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();
        std::printf("resident memory with every window built and opened: %ld KiB\n", ResidentKiB());
        dlg.Shutdown();
    }
    CUiThread::Detach();
    return 0;
}
