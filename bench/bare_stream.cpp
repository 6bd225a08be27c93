// The reference for the program's CPU figure: the least a Qt program can do to keep the
// same send stream going. A plain shown window, a precise 5 ms timer, one character a
// tick written to a serial port opened as the program opens it, nothing else. After the
// given time it prints its own CPU time and exits.
//
//   kelvo-bare-stream DEVICE [SECONDS]   (default 60)
#include <QApplication>
#include <QSerialPort>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kelvo-bare-stream DEVICE [SECONDS]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) {
        qputenv("QT_NO_GLIB", "1");
    }
    QApplication application(argc, argv);
    QWidget window;
    window.resize(400, 300);
    window.show();

    QSerialPort port(QString::fromLocal8Bit(argv[1]));
    port.setBaudRate(9600);
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "kelvo-bare-stream: cannot open %s\n", argv[1]);
        return 1;
    }
    QObject::connect(&port, &QSerialPort::readyRead, &port, [&port] { port.readAll(); });

    const std::string frame = "QZPPSU0000H0000N";
    std::size_t next = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, &tick, [&] {
        if (::write(port.handle(), &frame[next], 1) == 1) {
            next = (next + 1) % frame.size();
        }
    });

    double start = 0;
    QTimer::singleShot(2000, &application, [&] {
        start = cpu_seconds();
        QTimer::singleShot(seconds * 1000, &application, [&] {
            const double used = cpu_seconds() - start;
            std::printf("bare Qt stream CPU        %.2f s in %d s = %.2f %% of one core\n", used,
                        seconds, 100 * used / seconds);
            QApplication::quit();
        });
    });
    tick.start();
    return QApplication::exec();
}
