// render-svg: draws SVG pictures into PNG files with their transparency, each at a given size or at a
// whole multiple of its own. The build uses it to make the instrument pictures beside the program
// (name.png, and name@2x.png, name@3x.png for denser screens) and the application icon's sizes;
// artists use it to look at their work through the same renderer the game uses. Several pictures in
// one run share the program's start, which the build's sanitizer trees make slow.
//
//   render-svg <in.svg> <out.png>
//   render-svg { --scale <n> <in.svg> <out.png> | <in.svg> <out.png> <width> <height> } ...
#include "res/Resources.h"

#include <QGuiApplication>
#include <QSvgRenderer>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Job {
    const char* in;
    const char* out;
    int scale = 1;  // of the picture's own size, when size is empty
    QSize size;
};

// The jobs of the command line; empty when it makes no sense.
std::vector<Job> ReadJobs(int argc, char* argv[]) {
    std::vector<Job> jobs;
    if (argc == 3)
        return {{argv[1], argv[2], 1, {}}};
    for (int i = 1; i < argc;) {
        if (std::strcmp(argv[i], "--scale") == 0 && i + 3 < argc && std::atoi(argv[i + 1]) >= 1) {
            jobs.push_back({argv[i + 2], argv[i + 3], std::atoi(argv[i + 1]), {}});
            i += 4;
        } else if (i + 3 < argc && std::atoi(argv[i + 2]) > 0 && std::atoi(argv[i + 3]) > 0) {
            jobs.push_back({argv[i], argv[i + 1], 1, QSize(std::atoi(argv[i + 2]), std::atoi(argv[i + 3]))});
            i += 4;
        } else {
            return {};
        }
    }
    return jobs;
}

} // namespace

int main(int argc, char* argv[]) {
    const std::vector<Job> jobs = ReadJobs(argc, argv);
    if (jobs.empty()) {
        std::fprintf(stderr, "usage: render-svg <in.svg> <out.png>\n"
                             "       render-svg { --scale <n> <in.svg> <out.png> | <in.svg> <out.png> <width> "
                             "<height> } ...\n");
        return 2;
    }
    // Text in the pictures needs fonts, and fonts need a GUI application; no window is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (const Job& job : jobs) {
        const QString in = QString::fromLocal8Bit(job.in);
        const QSize size = job.size.isEmpty() ? QSvgRenderer(in).defaultSize() * job.scale : job.size;
        const QImage image = RenderSvgPicture(in, size);
        if (image.isNull()) {
            std::fprintf(stderr, "render-svg: cannot draw %s\n", job.in);
            return 1;
        }
        if (!image.save(QString::fromLocal8Bit(job.out), "PNG")) {
            std::fprintf(stderr, "render-svg: cannot write %s\n", job.out);
            return 1;
        }
    }
    return 0;
}
