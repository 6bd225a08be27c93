// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/scpi_values.h"

#include "remote/scpi_parser.h"

#include <cctype>
#include <string>

namespace kelvo::remote {

namespace {

bool is_letter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return result;
}

// What a value with this suffix is divided by, 0 for a suffix that is not this quantity's.
double suffix_divisor(std::string_view suffix, Quantity quantity) {
    const std::string unit = quantity == Quantity::Volts     ? "V"
                             : quantity == Quantity::Amperes ? "A"
                                                             : "S";
    const std::string text = upper(suffix);
    if (text.empty() || text == unit) {
        return 1;
    }
    if (text == "M" + unit) {
        return 1e3;
    }
    if (text == "U" + unit) {
        return 1e6;
    }
    return 0;
}

} // namespace

std::optional<Bound> parse_bound(std::string_view text) {
    const auto choice = parse_choice(text, {"MINimum", "MAXimum", "DEFault"});
    if (!choice) {
        return std::nullopt;
    }
    return static_cast<Bound>(*choice);
}

Parameter parse_parameter(std::string_view text, Quantity quantity) {
    if (const auto bound = parse_bound(text)) {
        return {std::nullopt, bound, 0};
    }
    std::size_t split = text.size();
    while (split > 0 && is_letter(text[split - 1])) {
        --split;
    }
    const std::string_view suffix = text.substr(split);
    std::string_view number = text.substr(0, split);
    while (!number.empty() && (number.back() == ' ' || number.back() == '\t')) {
        number.remove_suffix(1);
    }
    const auto value = parse_number(number);
    if (!value) {
        return {std::nullopt, std::nullopt, error::kSyntax};
    }
    const double divisor = suffix_divisor(suffix, quantity);
    if (divisor == 0) {
        return {std::nullopt, std::nullopt, error::kInvalidSuffix};
    }
    // Divided, not multiplied by 1e-3: 1500 mV is exactly 1.5 V.
    return {*value / divisor, std::nullopt, 0};
}

} // namespace kelvo::remote
