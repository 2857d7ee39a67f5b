#include "support/TestSupport.h"

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int RunAsOrdinaryUser(const std::function<int()>& body) {
    constexpr uid_t kNobody = 65534;
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(255);
        _exit(body() & 0xFF);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::chrono::microseconds ProcessCpuTime() {
    timespec ts{};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0)
        return std::chrono::microseconds(-1);
    return std::chrono::seconds(ts.tv_sec) + std::chrono::microseconds(ts.tv_nsec / 1000);
}

#include "platform/UiThread.h"

#include <QApplication>

QApplication& OffscreenApp() {
    static int argc = 1;
    static char name[] = "aviluma-tests";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: tearing Qt down among the other static objects at exit is not safe.
    static QApplication* app = new QApplication(argc, argv);
    if (!CUiThread::IsAttached())
        CUiThread::Attach();
    return *app;
}
