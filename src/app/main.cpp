#include "app/Globals.h"

#include <cstdio>

int main() {
    if (!InitAppDir()) {
        std::fprintf(stderr, "aviluma: cannot read the program's own path from /proc/self/exe\n");
        return 1;
    }
    std::printf("aviluma: program folder %s\n", qPrintable(g_strAppDir.Get()));
    return 0;
}
