// A Qt widgets hello-world as large as the game's main window, built with the game's flags: the start
// bench_startup measures the game's against. It says on stderr when its first paint has reached the
// screen, as the game's start-up timeline does.
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Hello, world"));
    window.resize(800, 600);
    class CFirstPaint final : public QObject {
    public:
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint && !m_painted) {
                m_painted = true;
                QTimer::singleShot(0, [] { std::fprintf(stderr, "hello: startup: first paint done\n"); });
            }
            return false;
        }

    private:
        bool m_painted = false;
    } firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    return app.exec();
}
