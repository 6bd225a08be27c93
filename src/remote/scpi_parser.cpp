// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/scpi_parser.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>

namespace kelvo::remote {

namespace {

// What a command takes when it sets something (without "?").
enum class Set { Never, Bare, Value, MaybeValue };

struct Entry {
    std::string_view pattern;
    Header header;
    bool query;
    Set set;
    int variant = 0;
    // Its query may name a bound: "VOLT? MAX".
    bool query_bound = false;
};

constexpr int kFetch = variant::kFetch;
constexpr int kQues = variant::kQuestionable;

constexpr std::array kCommands{
    Entry{"*IDN", Header::Identify, true, Set::Never},
    Entry{"*RST", Header::Reset, false, Set::Bare},
    Entry{"*CLS", Header::ClearStatus, false, Set::Bare},
    Entry{"*OPC", Header::OperationComplete, true, Set::Bare},
    Entry{"*ESE", Header::EventEnable, true, Set::Value},
    Entry{"*ESR", Header::EventStatus, true, Set::Never},
    Entry{"*SRE", Header::ServiceEnable, true, Set::Value},
    Entry{"*STB", Header::StatusByte, true, Set::Never},
    Entry{"*TST", Header::SelfTest, true, Set::Never},
    Entry{"*WAI", Header::Wait, false, Set::Bare},
    Entry{"SYSTem:ERRor[:NEXT]", Header::NextError, true, Set::Never},
    Entry{"SYSTem:ERRor:COUNt", Header::ErrorCount, true, Set::Never},
    Entry{"SYSTem:VERSion", Header::ScpiVersion, true, Set::Never},
    Entry{"SYSTem:LINK", Header::Link, true, Set::Never},
    Entry{"[SOURce:]VOLTage[:LEVel][:IMMediate][:AMPLitude]", Header::Voltage, true, Set::Value, 0,
          true},
    Entry{"[SOURce:]CURRent[:LEVel][:IMMediate][:AMPLitude]", Header::Current, true, Set::Value, 0,
          true},
    Entry{"APPLy", Header::Apply, true, Set::Value},
    Entry{"[SOURce:]VOLTage:PROTection[:LEVel]", Header::VoltageProtection, true, Set::Value, 0,
          true},
    Entry{"[SOURce:]VOLTage:PROTection:TRIPped", Header::Tripped, true, Set::Never},
    Entry{"[SOURce:]CURRent:PROTection:TRIPped", Header::Tripped, true, Set::Never,
          variant::kCurrentTrip},
    Entry{"[SOURce:]CURRent:PROTection:STATe", Header::ProtectionState, true, Set::Value},
    Entry{"[SOURce:]CURRent:PROTection:MODE", Header::ProtectionMode, true, Set::Value},
    Entry{"OUTPut:PROTection:CLEar", Header::ProtectionClear, false, Set::Bare},
    Entry{"OUTPut[:STATe]", Header::Output, true, Set::Value},
    Entry{"MEASure[:SCALar]:VOLTage[:DC]", Header::MeasureVoltage, true, Set::Never},
    Entry{"MEASure[:SCALar]:CURRent[:DC]", Header::MeasureCurrent, true, Set::Never},
    Entry{"MEASure[:SCALar]:POWer[:DC]", Header::MeasurePower, true, Set::Never},
    Entry{"MEASure[:SCALar]:CHARge", Header::MeasureCharge, true, Set::Never},
    Entry{"MEASure[:SCALar]:ENERgy", Header::MeasureEnergy, true, Set::Never},
    Entry{"FETCh[:SCALar]:VOLTage[:DC]", Header::MeasureVoltage, true, Set::Never, kFetch},
    Entry{"FETCh[:SCALar]:CURRent[:DC]", Header::MeasureCurrent, true, Set::Never, kFetch},
    Entry{"FETCh[:SCALar]:POWer[:DC]", Header::MeasurePower, true, Set::Never, kFetch},
    Entry{"FETCh[:SCALar]:CHARge", Header::MeasureCharge, true, Set::Never, kFetch},
    Entry{"FETCh[:SCALar]:ENERgy", Header::MeasureEnergy, true, Set::Never, kFetch},
    Entry{"STATus:OPERation[:EVENt]", Header::StatusEvent, true, Set::Never},
    Entry{"STATus:OPERation:CONDition", Header::StatusCondition, true, Set::Never},
    Entry{"STATus:OPERation:ENABle", Header::StatusEnable, true, Set::Value},
    Entry{"STATus:OPERation:PTRansition", Header::StatusPositive, true, Set::Value},
    Entry{"STATus:OPERation:NTRansition", Header::StatusNegative, true, Set::Value},
    Entry{"STATus:QUEStionable[:EVENt]", Header::StatusEvent, true, Set::Never, kQues},
    Entry{"STATus:QUEStionable:CONDition", Header::StatusCondition, true, Set::Never, kQues},
    Entry{"STATus:QUEStionable:ENABle", Header::StatusEnable, true, Set::Value, kQues},
    Entry{"STATus:QUEStionable:PTRansition", Header::StatusPositive, true, Set::Value, kQues},
    Entry{"STATus:QUEStionable:NTRansition", Header::StatusNegative, true, Set::Value, kQues},
    Entry{"STATus:PRESet", Header::StatusPreset, false, Set::Bare},
    Entry{"PROGram:RUN", Header::ProgramRun, false, Set::MaybeValue},
    Entry{"PROGram:STOP", Header::ProgramStop, false, Set::Bare},
    Entry{"PROGram:STATe", Header::ProgramState, true, Set::Never},
    Entry{"PROGram:TABLe", Header::ProgramTable, false, Set::Value},
    Entry{"PROGram:PROFile", Header::ProgramProfile, true, Set::Value},
    Entry{"PROGram:END[:REASon]", Header::ProgramEnd, true, Set::Never},
};

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool same_letters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// "VOLTage" is named by "VOLT" or "VOLTAGE" in any case, nothing in between.
bool node_matches(std::string_view node, std::string_view text) {
    std::size_t capitals = 0;
    while (capitals < node.size() && !std::islower(static_cast<unsigned char>(node[capitals]))) {
        ++capitals;
    }
    return !text.empty() &&
           (same_letters(node.substr(0, capitals), text) || same_letters(node, text));
}

struct Node {
    std::string_view name;
    bool optional;
};

std::vector<Node> pattern_nodes(std::string_view pattern) {
    std::vector<Node> nodes;
    bool optional = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= pattern.size(); ++i) {
        const char c = i < pattern.size() ? pattern[i] : ':';
        if (c == '[' || c == ']' || c == ':') {
            if (i > start) {
                nodes.push_back({pattern.substr(start, i - start), optional});
            }
            optional = c == '[' || (optional && c != ']');
            start = i + 1;
        }
    }
    return nodes;
}

std::vector<std::string_view> header_nodes(std::string_view header) {
    std::vector<std::string_view> nodes;
    std::size_t start = 0;
    for (std::size_t colon = header.find(':'); colon != std::string_view::npos;
         colon = header.find(':', start)) {
        nodes.push_back(header.substr(start, colon - start));
        start = colon + 1;
    }
    nodes.push_back(header.substr(start));
    return nodes;
}

bool match_from(const std::vector<Node>& pattern, std::size_t p,
                const std::vector<std::string_view>& header, std::size_t h) {
    if (p == pattern.size()) {
        return h == header.size();
    }
    const bool here = h < header.size() && node_matches(pattern[p].name, header[h]) &&
                      match_from(pattern, p + 1, header, h + 1);
    return here || (pattern[p].optional && match_from(pattern, p + 1, header, h));
}

const Entry* find_entry(std::string_view header) {
    for (const Entry& entry : kCommands) {
        if (header_matches(entry.pattern, header)) {
            return &entry;
        }
    }
    return nullptr;
}

// The parameter rules of the command found: its error number, or 0.
int parameter_error(const Entry& entry, bool query, bool has_argument) {
    if (query ? !entry.query : entry.set == Set::Never) {
        return error::kUndefinedHeader;
    }
    if (has_argument && ((query && !entry.query_bound) || (!query && entry.set == Set::Bare))) {
        return error::kParameterNotAllowed;
    }
    if (!has_argument && !query && entry.set == Set::Value) {
        return error::kMissingParameter;
    }
    return 0;
}

// One command, looked up below `path` first; `path` becomes the path of this header.
Parsed parse_unit(std::string_view text, std::string& path) {
    std::size_t blank = 0;
    while (blank < text.size() && !is_blank(text[blank])) {
        ++blank;
    }
    std::string_view header = text.substr(0, blank);
    const std::string_view argument = trim(text.substr(blank));
    const bool query = header.ends_with('?');
    if (query) {
        header.remove_suffix(1);
    }
    const bool common = header.starts_with('*');
    const bool absolute = header.starts_with(':');
    if (absolute) {
        header.remove_prefix(1);
    }
    std::string base = common || absolute ? std::string() : path;
    const Entry* entry = find_entry(base + std::string(header));
    if (entry == nullptr && !base.empty()) {
        base.clear();
        entry = find_entry(header);
    }
    if (!common) {
        const std::size_t last = header.rfind(':');
        path = base + std::string(header.substr(0, last == std::string_view::npos ? 0 : last + 1));
    }
    if (entry == nullptr) {
        return {std::nullopt, error::kUndefinedHeader};
    }
    if (const int refused = parameter_error(*entry, query, !argument.empty())) {
        return {std::nullopt, refused};
    }
    return {Unit{entry->header, entry->variant, query, std::string(argument), std::string(text)},
            0};
}

} // namespace

bool header_matches(std::string_view pattern, std::string_view header) {
    return match_from(pattern_nodes(pattern), 0, header_nodes(header), 0);
}

namespace {

// Where the command from `start` ends: at the next ";" outside a quoted string (a string
// holds its quote doubled, which reads as leaving the string and entering it again).
std::size_t unit_end(std::string_view line, std::size_t start) {
    char quote = 0;
    for (std::size_t at = start; at < line.size(); ++at) {
        const char c = line[at];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            return at;
        }
    }
    return line.size();
}

} // namespace

std::optional<std::string> parse_string(std::string_view text) {
    if (text.size() < 2 || (text.front() != '"' && text.front() != '\'') ||
        text.back() != text.front()) {
        return std::nullopt;
    }
    const char quote = text.front();
    std::string value;
    for (std::size_t at = 1; at + 1 < text.size(); ++at) {
        if (text[at] == quote) {
            // Inside, a quote stands only doubled.
            if (at + 2 >= text.size() || text[at + 1] != quote) {
                return std::nullopt;
            }
            ++at;
        }
        value += text[at];
    }
    return value;
}

std::vector<Parsed> parse_line(std::string_view line) {
    std::vector<Parsed> units;
    std::string path;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t end = unit_end(line, start);
        const std::string_view text = trim(line.substr(start, end - start));
        if (!text.empty()) {
            units.push_back(parse_unit(text, path));
        }
        start = end + 1;
    }
    return units;
}

std::optional<double> parse_number(std::string_view text) {
    std::size_t i = text.starts_with('+') || text.starts_with('-') ? 1 : 0;
    std::size_t digits = 0;
    const auto skip_digits = [&] {
        std::size_t count = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            ++count;
        }
        return count;
    };
    digits += skip_digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        digits += skip_digits();
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        i += i < text.size() && (text[i] == '+' || text[i] == '-') ? 1 : 0;
        if (skip_digits() == 0) {
            return std::nullopt;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    // from_chars takes no "+".
    const std::string_view plain = text.starts_with('+') ? text.substr(1) : text;
    double value = 0;
    const auto [end, failure] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (failure == std::errc::result_out_of_range) {
        // Too small to hold is zero; too large, larger than any limit.
        const std::size_t exponent = plain.find_first_of("eE");
        if (exponent != std::string_view::npos && plain[exponent + 1] == '-') {
            return 0.0;
        }
        return plain.starts_with('-') ? -HUGE_VAL : HUGE_VAL;
    }
    if (failure != std::errc() || end != plain.data() + plain.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> parse_switch(std::string_view text) {
    if (same_letters(text, "ON") || text == "1") {
        return true;
    }
    if (same_letters(text, "OFF") || text == "0") {
        return false;
    }
    return std::nullopt;
}

std::optional<std::size_t> parse_choice(std::string_view text,
                                        std::initializer_list<std::string_view> choices) {
    std::size_t index = 0;
    for (const std::string_view choice : choices) {
        if (node_matches(choice, text)) {
            return index;
        }
        ++index;
    }
    return std::nullopt;
}

} // namespace kelvo::remote
