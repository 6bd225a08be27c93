// SPDX-License-Identifier: GPL-3.0-or-later
#include "supply_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kelvo::sim {

namespace {

constexpr std::string_view kHeader = "QZPPSU";
constexpr std::size_t kLength = 16;

std::optional<int> digits(std::string_view field) {
    int value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<Command> parse(std::string_view frame) {
    const auto voltage = digits(frame.substr(6, 4));
    const auto current = digits(frame.substr(11, 4));
    const char mode = frame[10];
    const char output = frame[15];
    if (!voltage || !current || (mode != 'H' && mode != 'C') || (output != 'O' && output != 'N')) {
        return std::nullopt;
    }
    return Command{*voltage, mode, *current, output == 'O'};
}

} // namespace

std::optional<Command> CommandReader::feed(std::string_view bytes) {
    const std::vector<Command> commands = feed_all(bytes);
    if (commands.empty()) {
        return std::nullopt;
    }
    return commands.back();
}

std::vector<Command> CommandReader::feed_all(std::string_view bytes) {
    pending_.append(bytes);
    std::vector<Command> commands;
    std::size_t at = 0;
    while (true) {
        const auto header = pending_.find(kHeader, at);
        if (header == std::string::npos || header + kLength > pending_.size()) {
            // Keep what may still become a frame: a header's start at the end.
            const std::size_t keep_from =
                header != std::string::npos
                    ? header
                    : (pending_.size() > kHeader.size() ? pending_.size() - kHeader.size() : 0);
            pending_.erase(0, keep_from);
            return commands;
        }
        if (auto command = parse(std::string_view(pending_).substr(header, kLength))) {
            commands.push_back(*command);
            at = header + kLength;
        } else {
            at = header + 1;
        }
    }
}

Reading measure(const Command& command, double load_ohms) {
    if (!command.output_on) {
        return {0, 0, 'W'};
    }
    const double volts = command.voltage_code / 100.0;
    const double limit_amps = command.current_code / 1000.0;
    const double amps = load_ohms > 0 ? volts / load_ohms : limit_amps + 1;
    auto code = [](double value, double factor) {
        return std::clamp(static_cast<int>(std::lround(value * factor)), 0, 9999);
    };
    if (amps <= limit_amps) {
        return {command.voltage_code, code(amps, 1000), 'W'};
    }
    return {code(limit_amps * std::max(load_ohms, 0.0), 100), command.current_code, 'B'};
}

double CellPack::open_volts() const {
    const double filled = capacity_mah > 0 ? std::clamp(charge_mah / capacity_mah, 0.0, 1.0) : 1;
    return cells * (empty_volts + (full_volts - empty_volts) * filled);
}

Reading CellPack::measure(const Command& command) const {
    if (!command.output_on) {
        return {0, 0, 'W'};
    }
    const double set_volts = command.voltage_code / 100.0;
    const double limit_amps = command.current_code / 1000.0;
    const double open = open_volts();
    const double driven = ohms > 0 ? std::max(set_volts - open, 0.0) / ohms : 0;
    const auto code = [](double value, double factor) {
        return std::clamp(static_cast<int>(std::lround(value * factor)), 0, 9999);
    };
    if (set_volts <= open) {
        // Nothing flows into the pack: the terminals show its own voltage.
        return {code(std::min(open, set_volts), 100), 0, 'W'};
    }
    if (driven <= limit_amps) {
        return {command.voltage_code, code(driven, 1000), 'W'};
    }
    return {code(open + limit_amps * ohms, 100), command.current_code, 'B'};
}

void CellPack::charge(const Command& command, double seconds) {
    const double amps = measure(command).current_code / 1000.0;
    charge_mah = std::min(charge_mah + amps * seconds / 3.6, capacity_mah);
}

Reading read_high(const Command& command, Reading reading, double volts) {
    if (!command.output_on || !(volts > 0)) {
        return reading;
    }
    // Anything past the top of the scale reads the top, however high it is.
    const long offset = std::lround(std::min(volts * 100, 9999.0));
    reading.voltage_code = static_cast<int>(std::clamp(reading.voltage_code + offset, 0L, 9999L));
    return reading;
}

std::string reply_frame(const Reading& reading) {
    char text[32];
    std::snprintf(text, sizeof text, "QZPPSU%04dA%04d%c", reading.voltage_code,
                  reading.current_code, reading.status);
    return text;
}

bool OutputChanges::worth_a_line(const Command& command) {
    const bool worth = !last_ || last_->output_on != command.output_on ||
                       last_->voltage_code != command.voltage_code;
    last_ = command;
    return worth;
}

std::string output_log_line(long long epoch_ms, const Command& command) {
    char text[64];
    std::snprintf(text, sizeof text, "%lld %c %04d %04d\n", epoch_ms, command.output_on ? 'O' : 'N',
                  command.voltage_code, command.current_code);
    return text;
}

} // namespace kelvo::sim
