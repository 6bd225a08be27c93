// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/scpi_lines.h"

namespace kelvo::remote {

void LineAssembler::feed(std::string_view bytes, const LineHandler& handler) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view part = bytes.substr(0, end);
        if (!discarding_) {
            if (line_.size() + part.size() > kMaxLineBytes + 1) {
                // One byte more than the limit may be the "\r" of "\r\n".
                line_.clear();
                discarding_ = true;
                handler({}, true);
            } else {
                line_.append(part);
            }
        }
        if (end == std::string_view::npos) {
            return;
        }
        bytes.remove_prefix(end + 1);
        if (!discarding_) {
            if (line_.ends_with('\r')) {
                line_.pop_back();
            }
            if (line_.size() > kMaxLineBytes) {
                handler({}, true);
            } else {
                handler(line_, false);
            }
        }
        line_.clear();
        discarding_ = false;
    }
}

} // namespace kelvo::remote
