// qt/serial/: the serial port MSComm1 over QSerialPort, with the map from the program's
// port numbers 1..16 to the devices of this machine.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/limits.h"
#include "platform/services.h"

#include <QSerialPort>

#include <array>
#include <atomic>
#include <mutex>
#include <string>

namespace kelvo::qt {

using DeviceMap = std::array<std::string, limits::kPortCount>; // index 0 is COM1; empty: no device

// COM1-4 are /dev/ttyS0-3, COM5-12 /dev/ttyUSB0-7, COM13-16 /dev/ttyACM0-3. A list given
// (colon-separated device paths, position = port number) replaces the whole map.
DeviceMap device_map(const char* replacement);

// The port number a device named by the user takes: the number it stands for already, or
// else the first without a device, or else COM16 (the last the search tries), whose device
// it replaces. 0 for an empty name.
int place_device(DeviceMap& devices, const std::string& device);

class QtSerialPort final : public platform::SerialPort {
public:
    // Unsent characters held at most, here and in the driver: one command frame. The supply
    // acts on the newest frame only; what a stalled line could not take is stale by the time
    // it would go out (an "output on" after the user switched off), so it is dropped.
    static constexpr std::size_t kMaxUnsent = 16;
    // Received bytes kept between reads: the newest, enough for many reply frames. A supply
    // or a line gone wild may send far more than the once-a-second read could ever use.
    static constexpr std::size_t kMaxReceived = 1024;

    // The map comes from KELVO_SERIAL_PORTS when it is set.
    QtSerialPort();
    explicit QtSerialPort(DeviceMap devices);
    QSerialPort& port() { return port_; }

    void set_settings(const std::string& settings) override;
    void set_port_number(int number) override { number_ = number; }
    int port_number() const override { return number_; }
    platform::OpenResult open() override;
    void close() override;
    bool is_open() const override;
    // Straight to the driver, from any thread; what it cannot take yet goes first with the
    // next write, unless more than kMaxUnsent would then wait: then what waits, here and in
    // the driver, is dropped. A failed write closes the port at the next read, which
    // reports it.
    void write(const std::string& bytes) override;
    // The newest kMaxReceived bytes received since the last read.
    std::optional<std::string> read() override;
    std::string device_path(int number) const override;
    platform::PortDescription describe(int number) const override;
    // The device takes a port number (see place_device), which it returns.
    int place_device(const std::string& device) { return qt::place_device(devices_, device); }

private:
    void error_occurred(QSerialPort::SerialPortError error);
    void keep_received();

    DeviceMap devices_;
    QSerialPort port_;
    int number_ = 1;
    qint32 baud_ = 9600;
    QSerialPort::Parity parity_ = QSerialPort::NoParity;
    QSerialPort::DataBits data_bits_ = QSerialPort::Data8;
    QSerialPort::StopBits stop_bits_ = QSerialPort::OneStop;
    bool opening_ = false;
    bool read_failed_ = false;
    std::string received_;
    // The send thread's view of the port. QSerialPort itself is used from the window's
    // thread only: open, close, read and its error reports.
    mutable std::mutex io_;
    int fd_ = -1; // -1 while closed
    std::string pending_;
    std::atomic<bool> write_failed_{false};
};

} // namespace kelvo::qt
