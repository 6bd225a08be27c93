// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/record_log.h"

#include "base/texts.h"

namespace kelvo {

std::string record_file_name(const DateTime& m, int copy) {
    std::string name = std::to_string(m.year) + std::to_string(m.month) + std::to_string(m.day) +
                       std::to_string(m.hour) + std::to_string(m.minute) + std::to_string(m.second);
    if (copy > 1) {
        name += "-" + std::to_string(copy);
    }
    return name + ".TXT";
}

std::string record_date_line(const DateTime& m, const std::string& time_text) {
    return std::to_string(m.year) + "-" + std::to_string(m.month) + "-" + std::to_string(m.day) +
           "   " + time_text;
}

std::string record_reading_line(const std::string& time_text, const std::string& voltage,
                                const std::string& current) {
    const std::string gap(10, ' ');
    return time_text + gap + voltage + gap + current;
}

} // namespace kelvo
