// remote/: the lines of one client, cut from the bytes as they arrive.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace kelvo::remote {

// The longest line taken; a longer one is refused whole, however long it grows.
inline constexpr std::size_t kMaxLineBytes = 4096;

class LineAssembler {
public:
    // Each line ends at "\n" ("\r\n" as well: the "\r" is dropped). A line that passes
    // kMaxLineBytes is handed over once, empty and marked too long, as soon as it does;
    // the rest of it, up to its end, is dropped.
    using LineHandler = std::function<void(std::string_view line, bool too_long)>;
    void feed(std::string_view bytes, const LineHandler& handler);
    std::size_t held() const { return line_.size(); }

private:
    std::string line_;
    bool discarding_ = false;
};

} // namespace kelvo::remote
