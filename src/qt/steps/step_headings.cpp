// qt/steps/: the step grid's columns and headings fitted to its width.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/steps/step_headings.h"
#include "qt/application.h"
#include "qt/steps/step_model.h"

#include <QHeaderView>
#include <QStyle>
#include <QTableView>

#include <algorithm>
#include <array>

namespace kelvo::qt {

namespace {

// The columns' widths in the window's design, in twips: their proportions.
constexpr std::array<double, kGridFields> kDesignWidths{1005.165, 1005.165, 884.976};
// The smallest heading font, in points: below it nothing is legible anyway.
constexpr double kSmallestPoints = 4;
constexpr double kPointsStep = 0.5;

const std::array<QString, kGridFields>& headings() {
    static const std::array<QString, kGridFields> texts{
        qtext(texts::kVoltageHeading), qtext(texts::kCurrentHeading), qtext(texts::kTimeHeading)};
    return texts;
}

// The heading on two lines: the name, then its unit.
QString broken(const QString& heading) {
    for (const QString& bracket : {QStringLiteral("（"), QStringLiteral("(")}) {
        const auto at = heading.indexOf(bracket);
        if (at > 0) {
            return heading.left(at).trimmed() + u'\n' + heading.mid(at);
        }
    }
    return heading;
}

int widest_line(const QFontMetrics& metrics, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(u'\n')) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    return widest;
}

// The headings as they fit the widths at this font; empty when one does not fit at all.
std::array<QString, kGridFields> fitted(const QFont& font,
                                        const std::array<int, kGridFields>& room) {
    const QFontMetrics metrics(font);
    std::array<QString, kGridFields> shown;
    for (std::size_t column = 0; column < kGridFields; ++column) {
        const QString& heading = headings().at(column);
        shown.at(column) =
            metrics.horizontalAdvance(heading) <= room.at(column) ? heading : broken(heading);
        if (widest_line(metrics, shown.at(column)) > room.at(column)) {
            return {};
        }
    }
    return shown;
}

// Each condition column as wide as its heading at the headings' font or its widest value at
// the cells' font, whichever is wider.
void fit_condition_columns(QTableView& view, const std::vector<ConditionColumn>& conditions,
                           int margin) {
    QAbstractItemModel& model = *view.model();
    const QFontMetrics heading(view.horizontalHeader()->font());
    const QFontMetrics cell(view.font());
    for (const ConditionColumn& column : conditions) {
        const int width =
            std::max(widest_line(heading, column.heading), cell.horizontalAdvance(column.widest)) +
            margin;
        if (view.columnWidth(column.field) != width) {
            view.setColumnWidth(column.field, width);
        }
        if (model.headerData(column.field, Qt::Horizontal) != column.heading) {
            model.setHeaderData(column.field, Qt::Horizontal, column.heading);
        }
        if (model.headerData(column.field, Qt::Horizontal, Qt::ToolTipRole) != column.heading) {
            model.setHeaderData(column.field, Qt::Horizontal, column.heading, Qt::ToolTipRole);
        }
    }
}

} // namespace

void fit_step_columns(QTableView& view, const std::vector<ConditionColumn>& conditions) {
    QAbstractItemModel* model = view.model();
    if (model == nullptr || model->columnCount() <= kGridFields) {
        return;
    }
    QHeaderView& header = *view.horizontalHeader();
    const int margin =
        2 * header.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header) + 2;
    const int width = view.viewport()->width();
    double total = 0;
    for (const double design : kDesignWidths) {
        total += design;
    }
    std::array<int, kGridFields> room{};
    int used = 0;
    for (std::size_t column = 0; column < kGridFields; ++column) {
        const int share = column + 1 == kGridFields
                              ? width - used
                              : static_cast<int>(width * kDesignWidths.at(column) / total);
        view.setColumnWidth(static_cast<int>(column) + 1, std::max(share, 1));
        used += share;
        room.at(column) = share - margin;
    }
    QFont font = view.font();
    std::array<QString, kGridFields> shown = fitted(font, room);
    while (shown.front().isEmpty() && font.pointSizeF() > kSmallestPoints) {
        font.setPointSizeF(std::max(kSmallestPoints, font.pointSizeF() - kPointsStep));
        shown = fitted(font, room);
    }
    if (shown.front().isEmpty()) {
        for (std::size_t column = 0; column < kGridFields; ++column) {
            shown.at(column) = broken(headings().at(column));
        }
    }
    // Only what changed: a new font or heading lays the grid out again, which comes back
    // here, and setting the same ones each time would never let it rest.
    if (header.font() != font) {
        header.setFont(font);
    }
    for (std::size_t column = 0; column < kGridFields; ++column) {
        const int field = static_cast<int>(column) + 1;
        if (model->headerData(field, Qt::Horizontal) != shown.at(column)) {
            model->setHeaderData(field, Qt::Horizontal, shown.at(column));
        }
        if (model->headerData(field, Qt::Horizontal, Qt::ToolTipRole) != headings().at(column)) {
            model->setHeaderData(field, Qt::Horizontal, headings().at(column), Qt::ToolTipRole);
        }
    }
    fit_condition_columns(view, conditions, margin);
}

} // namespace kelvo::qt
