// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/texts.h"

namespace kelvo::texts {

std::string fill(std::string_view pattern, std::initializer_list<std::string_view> values) {
    std::string text;
    text.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const auto number = static_cast<std::size_t>(next - '0');
        if (pattern[i] == '%' && next >= '1' && next <= '9' && number <= values.size()) {
            text += *(values.begin() + (number - 1));
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

} // namespace kelvo::texts
