// The floor of idle CPU for a Qt program: one application, one 5 ms precise timer, nothing else.
// Runs for the seconds given (default 30).
#include <QApplication>
#include <QTimer>

#include <cstdlib>

int main(int argc, char* argv[]) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &tick, [] {});
    tick.start(5);
    QTimer::singleShot(seconds * 1000, &app, [] { QCoreApplication::quit(); });
    return app.exec();
}
