// render-svg: draws an SVG picture into a PNG file with its transparency, at a given size or at a
// whole multiple of its own. The build uses it to make the instrument pictures beside the program
// (name.png, and name@2x.png, name@3x.png for denser screens); artists use it to look at their work
// through the same renderer the game uses.
//
//   render-svg <in.svg> <out.png> [width height]
//   render-svg --scale <n> <in.svg> <out.png>
#include "res/Resources.h"

#include <QGuiApplication>
#include <QSvgRenderer>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    const bool scaled = argc == 5 && std::strcmp(argv[1], "--scale") == 0;
    const int scale = scaled ? std::atoi(argv[2]) : 1;
    if ((argc != 3 && argc != 5) || scale < 1) {
        std::fprintf(stderr, "usage: render-svg <in.svg> <out.png> [width height]\n"
                             "       render-svg --scale <n> <in.svg> <out.png>\n");
        return 2;
    }
    const char* in = scaled ? argv[3] : argv[1];
    const char* out = scaled ? argv[4] : argv[2];
    // Text in the pictures needs fonts, and fonts need a GUI application; no window is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(in));
    QSize size = renderer.defaultSize() * scale;
    if (argc == 5 && !scaled)
        size = QSize(std::atoi(argv[3]), std::atoi(argv[4]));
    const QImage image = RenderSvgPicture(QString::fromLocal8Bit(in), size);
    if (image.isNull()) {
        std::fprintf(stderr, "render-svg: cannot draw %s\n", in);
        return 1;
    }
    if (!image.save(QString::fromLocal8Bit(out), "PNG")) {
        std::fprintf(stderr, "render-svg: cannot write %s\n", out);
        return 1;
    }
    return 0;
}
