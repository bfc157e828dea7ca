// A bare Qt window, the yardstick of the engine benchmark: what an empty
// window of the game's size costs in memory and CPU on the same display.
// Usage: bench_bare_window WIDTH HEIGHT [X Y]; runs until it is closed or
// ended.

#include <QApplication>
#include <QWidget>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fputs("Usage: bench_bare_window WIDTH HEIGHT [X Y]\n", stderr);
        return 2;
    }
    QWidget window;
    window.setWindowTitle("Bare window");
    window.setFixedSize(std::atoi(argv[1]), std::atoi(argv[2]));
    if (argc >= 5)
        window.move(std::atoi(argv[3]), std::atoi(argv[4]));
    window.show();
    return app.exec();
}
