// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/serial/serial.h"
#include "base/texts.h"
#include "qt/serial/port_probe.h"

#include <algorithm>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace kelvo::qt {

DeviceMap device_map(const char* replacement) {
    DeviceMap devices;
    if (replacement != nullptr) {
        const std::string list = replacement;
        std::size_t start = 0;
        for (std::string& device : devices) {
            if (start > list.size()) {
                break;
            }
            const std::size_t end = std::min(list.find(':', start), list.size());
            device = list.substr(start, end - start);
            start = end + 1;
        }
        return devices;
    }
    for (int i = 0; i < limits::kPortCount; ++i) {
        const auto index = static_cast<std::size_t>(i);
        if (i < 4) {
            devices.at(index) = "/dev/ttyS" + std::to_string(i);
        } else if (i < 12) {
            devices.at(index) = "/dev/ttyUSB" + std::to_string(i - 4);
        } else {
            devices.at(index) = "/dev/ttyACM" + std::to_string(i - 12);
        }
    }
    return devices;
}

int place_device(DeviceMap& devices, const std::string& device) {
    if (device.empty()) {
        return 0;
    }
    auto slot = std::find(devices.begin(), devices.end(), device);
    if (slot == devices.end()) {
        slot = std::find(devices.begin(), devices.end(), std::string());
    }
    if (slot == devices.end()) {
        slot = devices.end() - 1;
    }
    *slot = device;
    return static_cast<int>(slot - devices.begin()) + 1;
}

QtSerialPort::QtSerialPort() : QtSerialPort(device_map(std::getenv("KELVO_SERIAL_PORTS"))) {}

QtSerialPort::QtSerialPort(DeviceMap devices) : devices_(std::move(devices)) {
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError error) { error_occurred(error); });
    // Left to itself QSerialPort keeps everything that arrives until it is read.
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] { keep_received(); });
}

void QtSerialPort::set_settings(const std::string& settings) {
    // "9600,N,8,1": baud, parity letter, data bits, stop bits.
    std::array<std::string, 4> parts;
    std::size_t start = 0;
    for (std::string& part : parts) {
        const std::size_t end = std::min(settings.find(',', start), settings.size());
        part = settings.substr(start, end - start);
        start = end + 1;
    }
    const auto bad = [&settings] {
        return std::invalid_argument(texts::fill(texts::kBadSerialSettings.en, {settings}));
    };
    try {
        baud_ = std::stoi(parts[0]);
    } catch (const std::exception&) {
        throw bad();
    }
    switch (parts[1].empty() ? '?' : static_cast<char>(std::toupper(parts[1][0]))) {
    case 'N':
        parity_ = QSerialPort::NoParity;
        break;
    case 'E':
        parity_ = QSerialPort::EvenParity;
        break;
    case 'O':
        parity_ = QSerialPort::OddParity;
        break;
    case 'M':
        parity_ = QSerialPort::MarkParity;
        break;
    case 'S':
        parity_ = QSerialPort::SpaceParity;
        break;
    default:
        throw bad();
    }
    if (parts[2] == "5" || parts[2] == "6" || parts[2] == "7" || parts[2] == "8") {
        data_bits_ = static_cast<QSerialPort::DataBits>(parts[2][0] - '0');
    } else {
        throw bad();
    }
    if (parts[3] == "1") {
        stop_bits_ = QSerialPort::OneStop;
    } else if (parts[3] == "1.5") {
        stop_bits_ = QSerialPort::OneAndHalfStop;
    } else if (parts[3] == "2") {
        stop_bits_ = QSerialPort::TwoStop;
    } else {
        throw bad();
    }
}

platform::OpenResult QtSerialPort::open() {
    if (port_.isOpen() || number_ < 1 || number_ > limits::kPortCount) {
        return platform::OpenResult::Failed;
    }
    const std::string& device = devices_.at(static_cast<std::size_t>(number_ - 1));
    if (device.empty()) {
        return platform::OpenResult::Failed;
    }
    port_.setPortName(QString::fromStdString(device));
    port_.setBaudRate(baud_);
    port_.setParity(parity_);
    port_.setDataBits(data_bits_);
    port_.setStopBits(stop_bits_);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    opening_ = true;
    const bool opened = port_.open(QIODevice::ReadWrite);
    opening_ = false;
    if (!opened) {
        const QSerialPort::SerialPortError error = port_.error();
        port_.clearError();
        // Qt says "permission" for a device another program holds locked as well; only a
        // device this user may not open is refused for lack of permission.
        const bool refused = error == QSerialPort::PermissionError &&
                             ::access(device.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
        return refused ? platform::OpenResult::PermissionDenied : platform::OpenResult::Failed;
    }
    read_failed_ = false;
    write_failed_ = false;
    received_.clear();
    {
        const std::lock_guard<std::mutex> lock(io_);
        fd_ = port_.handle();
        pending_.clear();
    }
    return platform::OpenResult::Opened;
}

std::string QtSerialPort::device_path(int number) const {
    return number < 1 || number > static_cast<int>(devices_.size())
               ? std::string()
               : devices_.at(static_cast<std::size_t>(number - 1));
}

platform::PortDescription QtSerialPort::describe(int number) const {
    const std::string device = device_path(number);
    // The port open now is never probed: its line belongs to the supply.
    if (!device.empty() && is_open() && device == device_path(number_)) {
        return {device, platform::PortState::InUseHere};
    }
    return {device, probe_port(device)};
}

void QtSerialPort::close() {
    {
        // After this no write touches the descriptor, which the system may hand out again
        // as soon as it is closed.
        const std::lock_guard<std::mutex> lock(io_);
        fd_ = -1;
        pending_.clear();
    }
    received_.clear();
    if (port_.isOpen()) {
        port_.close();
    }
}

bool QtSerialPort::is_open() const {
    const std::lock_guard<std::mutex> lock(io_);
    return fd_ >= 0;
}

void QtSerialPort::write(const std::string& bytes) {
    // QSerialPort would watch the port for room to write, which wakes the window's thread
    // on every character; the driver takes a character at once unless the line is stuck.
    const std::lock_guard<std::mutex> lock(io_);
    if (fd_ < 0 || write_failed_) {
        return;
    }
    // What the driver still holds counts too: a USB adapter that stopped draining takes
    // characters into its buffer long after the line stopped moving. (A pseudo-terminal
    // always reports 0: its far side's buffer is out of sight.)
    int queued = 0;
    if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued < 0) {
        queued = 0;
    }
    const std::size_t waiting = pending_.size() + static_cast<std::size_t>(queued);
    if (waiting > 0 && waiting + bytes.size() > kMaxUnsent) {
        pending_.clear();
        ::tcflush(fd_, TCOFLUSH);
    }
    pending_ += bytes;
    std::size_t sent = 0;
    while (sent < pending_.size()) {
        const ssize_t n = ::write(fd_, pending_.data() + sent, pending_.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                write_failed_ = true;
            }
            break;
        }
    }
    pending_.erase(0, sent);
}

std::optional<std::string> QtSerialPort::read() {
    if (read_failed_ || write_failed_) {
        read_failed_ = false;
        write_failed_ = false;
        close();
        return std::nullopt;
    }
    if (!port_.isOpen()) {
        return std::nullopt;
    }
    keep_received();
    return std::exchange(received_, std::string());
}

void QtSerialPort::keep_received() {
    char chunk[4096];
    qint64 n = 0;
    while ((n = port_.read(chunk, sizeof chunk)) > 0) {
        received_.append(chunk, static_cast<std::size_t>(n));
        if (received_.size() > kMaxReceived) {
            received_.erase(0, received_.size() - kMaxReceived);
        }
    }
}

void QtSerialPort::error_occurred(QSerialPort::SerialPortError error) {
    if (opening_ || error == QSerialPort::NoError || error == QSerialPort::TimeoutError ||
        error == QSerialPort::UnsupportedOperationError) {
        return;
    }
    // A vanished device keeps raising errors as fast as it can until the port is closed.
    if (port_.isOpen()) {
        close();
        read_failed_ = true;
    }
    port_.clearError();
}

} // namespace kelvo::qt
