// The set-point text check and its conversion to a code, and the slider texts read back
// through the same conversion. The first byte picks voltage or current; for the slider
// the next two bytes are the position.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/setpoint_text.h"
#include "check.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace kelvo;

namespace {

struct Quantity {
    char unit;
    int factor;  // code units per volt or ampere
    int maximum; // the slider's and the set-point's top code
};

constexpr Quantity kVoltage{'V', 100, 3100};
constexpr Quantity kCurrent{'A', 1000, 5100};

void check_typed_text(std::string_view text, const Quantity& q) {
    const bool refused = Text_err(text, q.unit);
    const double number = leading_number(text);
    KELVO_FUZZ_REQUIRE(!std::isnan(number));
    const double product = number * q.factor;
    const std::int16_t code = to_int16(product);
    if (refused) {
        return;
    }
    // What passes is short, has its unit last and otherwise only digits and one point.
    KELVO_FUZZ_REQUIRE(text.size() <= 6);
    int points = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == q.unit) {
            KELVO_FUZZ_REQUIRE(i + 1 == text.size());
        } else if (c == '.') {
            ++points;
        } else {
            KELVO_FUZZ_REQUIRE(c >= '0' && c <= '9');
        }
    }
    KELVO_FUZZ_REQUIRE(points <= 1);
    KELVO_FUZZ_REQUIRE(text.empty() || text.back() == q.unit);

    KELVO_FUZZ_REQUIRE(std::isfinite(number) && number >= 0);
    KELVO_FUZZ_REQUIRE(std::isfinite(product) && product >= 0);
    KELVO_FUZZ_REQUIRE(code >= 0);
    if (product <= q.maximum) {
        KELVO_FUZZ_REQUIRE(code <= q.maximum);
        KELVO_FUZZ_REQUIRE(std::fabs(code - product) <= 0.5);
    }
}

void check_slider_text(int position, const Quantity& q) {
    const std::string text = slider_text(position, q.factor, q.unit);
    KELVO_FUZZ_REQUIRE(!text.empty() && text.back() == q.unit);
    // The shortest form: no trailing zero after the point, and no lone point.
    const std::size_t point = text.find('.');
    if (point != std::string::npos) {
        KELVO_FUZZ_REQUIRE(text[text.size() - 2] != '0' && text[text.size() - 2] != '.');
    }
    KELVO_FUZZ_REQUIRE(to_int16(leading_number(text) * q.factor) == position);
    if (position >= 0 && position <= q.maximum) {
        // Every slider position gives a text the set-point check accepts.
        KELVO_FUZZ_REQUIRE(!Text_err(text, q.unit));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const Quantity& q = (bytes[0] & 1) != 0 ? kCurrent : kVoltage;
    const std::string_view text(reinterpret_cast<const char*>(bytes + 1), size - 1);
    check_typed_text(text, q);
    if (size >= 3) {
        // Any 16-bit position reads back; positions on the slider also pass the check.
        const auto raw = static_cast<std::int16_t>(bytes[1] << 8 | bytes[2]);
        check_slider_text(raw, q);
        check_slider_text(static_cast<std::uint16_t>(raw) % (q.maximum + 1), q);
    }
    return 0;
}
