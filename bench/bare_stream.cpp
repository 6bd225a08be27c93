// The reference for the program's CPU figure: the least a Qt program can do to keep the
// same send stream going. A plain shown window, a precise 5 ms timer, one character a
// tick written to a serial port opened as the program opens it, nothing else. It runs
// until it is stopped; bench/steady_cpu.sh measures it from outside, as it does kelvo.
//
//   kelvo-bare-stream DEVICE
// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QSerialPort>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kelvo-bare-stream DEVICE\n");
        return 2;
    }
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
    tick.start();
    return QApplication::exec();
}
