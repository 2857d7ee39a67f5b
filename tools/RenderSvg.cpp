// render-svg: draws an SVG picture into a PNG file of the given size, with its transparency. The build
// uses it to make the instrument pictures beside the program; artists use it to look at their work
// through the same renderer the game uses.
//
//   render-svg <in.svg> <out.png> [width height]
#include "res/Resources.h"

#include <QGuiApplication>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: render-svg <in.svg> <out.png> [width height]\n");
        return 2;
    }
    // Text in the pictures needs fonts, and fonts need a GUI application; no window is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    QSize size = renderer.defaultSize();
    if (argc == 5)
        size = QSize(std::atoi(argv[3]), std::atoi(argv[4]));
    const QImage image = RenderSvgPicture(QString::fromLocal8Bit(argv[1]), size);
    if (image.isNull()) {
        std::fprintf(stderr, "render-svg: cannot draw %s\n", argv[1]);
        return 1;
    }
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "render-svg: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
