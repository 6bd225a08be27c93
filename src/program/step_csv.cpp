// program/: the step table as CSV text: reading a file line by line, and writing the table.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/step_csv.h"
#include "base/limits.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kelvo {

namespace {

using Kind = StepProblem::Kind;

constexpr std::array<Quantity, 3> kQuantities{Quantity::Voltage, Quantity::Current,
                                              Quantity::Seconds};
// What a problem quotes of a field: enough to find it, not a whole line of junk.
constexpr std::size_t kQuotedLength = 24;

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A field without the blanks around it and the quotes a spreadsheet may put around it.
std::string_view field_text(std::string_view field) {
    field = trimmed(field);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
        field = trimmed(field.substr(1, field.size() - 2));
    }
    return field;
}

std::string quoted(std::string_view text) {
    return text.size() <= kQuotedLength ? std::string(text)
                                        : std::string(text.substr(0, kQuotedLength)) + "...";
}

std::vector<std::string_view> split(std::string_view line, char separator) {
    std::vector<std::string_view> fields;
    for (std::size_t at = line.find(separator); at != std::string_view::npos;
         at = line.find(separator)) {
        fields.push_back(field_text(line.substr(0, at)));
        line.remove_prefix(at + 1);
    }
    fields.push_back(field_text(line));
    return fields;
}

// The columns a header line may name: the three quantities, then the condition's cells.
constexpr std::size_t kColumns = 3 + kConditionCells;
constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);

// A heading by its letters alone: "Voltage (V)", "voltage V" and the grid's "Voltage（V）"
// are all "voltagev"; the table's field names ("EndLevel") are taken too.
std::optional<std::size_t> column_named(std::string_view name) {
    std::string letters;
    for (const char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            letters += static_cast<char>(c | 0x20);
        }
    }
    using Names = std::array<std::string_view, 5>;
    static constexpr std::array<Names, kColumns> kNames{{
        {"voltagev", "voltage", "volts", "v"},
        {"currenta", "current", "amperes", "amps", "a"},
        {"seconds", "times", "time", "secs", "s"},
        {"endwhen"},
        {"level", "endlevel"},
        {"shortests", "shortest", "shortestseconds"},
        {"longests", "longest", "longestseconds"},
        {"then"},
    }};
    for (std::size_t column = 0; column < kColumns; ++column) {
        const Names& names = kNames.at(column);
        if (std::find(names.begin(), names.end(), letters) != names.end() && !letters.empty()) {
            return column;
        }
    }
    return std::nullopt;
}

// The quantity a column names, for a problem with it; a condition's column names none.
Quantity column_quantity(std::size_t column) {
    return column < kQuantities.size() ? kQuantities.at(column) : Quantity::Voltage;
}

class Reader {
public:
    StepFile read(std::string_view text);

private:
    void problem(int line, Kind kind, Quantity quantity = Quantity::Voltage,
                 std::string_view value = {}) {
        add({kind, line, RampField::None, quantity, quoted(value), {}});
    }
    void add(StepProblem found) {
        ++file_.problem_lines;
        if (file_.problems.size() < kProblemsKept) {
            file_.problems.push_back(std::move(found));
        }
    }
    bool read_header(int line, std::string_view text);
    void read_step(int line, std::string_view text);
    // The field's code, or nothing when it has a problem (then added).
    std::optional<int> read_value(int line, Quantity quantity, std::string_view field);
    // The line's condition, or nothing when it has a problem (then added).
    std::optional<StepCondition> read_condition_cells(int line,
                                                      const std::vector<std::string_view>& fields);

    StepFile file_;
    char separator_ = ',';
    std::array<std::size_t, kColumns> position_{};
    std::size_t header_fields_ = 0;
};

StepFile Reader::read(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3); // the byte order mark spreadsheets write
    }
    bool header_read = false;
    int steps = 0;
    for (int line = 1; !text.empty(); ++line) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view content = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (content.ends_with('\r')) {
            content.remove_suffix(1);
        }
        if (trimmed(content).empty()) {
            continue;
        }
        if (!header_read) {
            header_read = true;
            if (!read_header(line, content)) {
                return std::move(file_);
            }
        } else if (++steps > limits::kMaxSteps) {
            problem(line, Kind::TooManySteps);
            break;
        } else {
            read_step(line, content);
        }
    }
    if (!header_read) {
        problem(0, Kind::EmptyFile);
    } else if (file_.valid() && file_.steps.empty()) {
        problem(0, Kind::HeaderOnly);
    }
    if (!file_.valid()) {
        file_.steps.clear();
    }
    return std::move(file_);
}

bool Reader::read_header(int line, std::string_view text) {
    separator_ = text.find(';') != std::string_view::npos ? ';' : ',';
    const std::vector<std::string_view> names = split(text, separator_);
    header_fields_ = names.size();
    position_.fill(kAbsent);
    for (std::size_t field = 0; field < names.size(); ++field) {
        if (names[field].empty()) {
            continue; // a spreadsheet's trailing separator
        }
        const std::optional<std::size_t> column = column_named(names[field]);
        if (!column) {
            problem(line, Kind::UnknownColumn, Quantity::Voltage, names[field]);
            return false;
        }
        if (position_.at(*column) != kAbsent) {
            problem(line, Kind::ColumnTwice, column_quantity(*column), names[field]);
            return false;
        }
        position_.at(*column) = field;
    }
    for (const Quantity quantity : kQuantities) {
        if (position_.at(static_cast<std::size_t>(quantity)) == kAbsent) {
            problem(line, Kind::NoColumn, quantity);
            return false;
        }
    }
    return true;
}

void Reader::read_step(int line, std::string_view text) {
    const std::vector<std::string_view> fields = split(text, separator_);
    if (std::any_of(fields.begin() +
                        static_cast<std::ptrdiff_t>(std::min(header_fields_, fields.size())),
                    fields.end(), [](std::string_view field) { return !field.empty(); })) {
        problem(line, Kind::ExtraFields);
        return;
    }
    std::array<int, 3> codes{};
    for (const Quantity quantity : kQuantities) {
        const std::size_t position = position_.at(static_cast<std::size_t>(quantity));
        const auto code =
            read_value(line, quantity, position < fields.size() ? fields[position] : "");
        if (!code) {
            return; // one problem a line
        }
        codes.at(static_cast<std::size_t>(quantity)) = *code;
    }
    const std::optional<StepCondition> condition = read_condition_cells(line, fields);
    if (condition) {
        file_.steps.push_back({codes[0], codes[1], codes[2], *condition});
    }
}

std::optional<StepCondition>
Reader::read_condition_cells(int line, const std::vector<std::string_view>& fields) {
    ConditionCells cells{};
    for (std::size_t cell = 0; cell < cells.size(); ++cell) {
        const std::size_t position = position_.at(kQuantities.size() + cell);
        if (position < fields.size() && !fields[position].empty()) {
            cells.at(cell) = std::string(fields[position]);
        }
    }
    ConditionCheck check = read_condition(cells);
    if (!check.ok()) {
        check.problem.value = quoted(check.problem.value);
        add({Kind::Condition, line, RampField::None, Quantity::Voltage, {}, check.problem});
        return std::nullopt;
    }
    return check.condition;
}

std::optional<int> Reader::read_value(int line, Quantity quantity, std::string_view field) {
    if (field.empty()) {
        problem(line, Kind::NoValue, quantity);
        return std::nullopt;
    }
    const std::string_view digits = field.starts_with('+') ? field.substr(1) : field;
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) {
        problem(line, Kind::NotANumber, quantity, field);
        return std::nullopt;
    }
    CheckedValue checked = check_value(quantity, value);
    if (checked.problem) {
        checked.problem->line = line;
        checked.problem->value = quoted(field);
        add(*checked.problem);
        return std::nullopt;
    }
    return checked.code;
}

std::string csv_cell(const platform::FieldValue& cell) {
    if (const double* number = std::get_if<double>(&cell)) {
        return shortest_text(*number);
    }
    if (const std::string* text = std::get_if<std::string>(&cell)) {
        std::string escaped = "\"";
        for (const char c : *text) {
            escaped += c == '"' ? std::string("\"\"") : std::string(1, c);
        }
        return escaped + '"';
    }
    return {};
}

} // namespace

StepFile parse_step_csv(std::string_view text) {
    return Reader().read(text);
}

std::string step_csv(std::span<const TableRow> rows) {
    const auto filled = [](const platform::FieldValue& cell) {
        const std::string* text = std::get_if<std::string>(&cell);
        return text != nullptr ? !trimmed(*text).empty() : cell.index() != 0;
    };
    const bool conditions = std::any_of(rows.begin(), rows.end(), [&filled](const TableRow& row) {
        return std::any_of(row.condition.begin(), row.condition.end(), filled);
    });
    std::string text = "voltage V,current A,seconds";
    if (conditions) {
        text += ",end when,level,shortest s,longest s,then";
    }
    text += "\r\n";
    for (const TableRow& row : rows) {
        text +=
            csv_cell(row.values[0]) + ',' + csv_cell(row.values[1]) + ',' + csv_cell(row.values[2]);
        for (std::size_t cell = 0; conditions && cell < row.condition.size(); ++cell) {
            text += ',' + csv_cell(row.condition.at(cell));
        }
        text += "\r\n";
    }
    return text;
}

std::string step_csv(const std::vector<std::array<platform::FieldValue, 3>>& rows) {
    std::vector<TableRow> table;
    table.reserve(rows.size());
    for (const auto& values : rows) {
        table.push_back({values, {}});
    }
    return step_csv(table);
}

} // namespace kelvo
