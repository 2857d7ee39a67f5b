#include "app/AvilumaApp.h"
#include "platform/UiThread.h"
#include "widgets/Fonts.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    // Qt ends the process with a long message when it finds no display; say it plainly instead.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("QT_QPA_PLATFORM") == nullptr) {
        std::fprintf(stderr,
                     "aviluma: no display found; start it from a desktop session (or under xvfb-run).\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Aviluma"));
    InstallFontSubstitutions();
    CUiThread::Attach();
    CAvilumaApp theApp;
    theApp.InitInstance();
    CUiThread::Detach();
    return 0;
}
