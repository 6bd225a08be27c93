// qt/steps/: the step table's model: locked columns and edits the file refuses.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/steps/step_model.h"

#include <algorithm>

namespace kelvo::qt {

bool is_number(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

StepTableModel::StepTableModel(QObject* parent, const QSqlDatabase& database)
    : QSqlTableModel(parent, database) {}

Qt::ItemFlags StepTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QSqlTableModel::flags(index);
    const int field = index.column();
    if (field >= 0 && field < static_cast<int>(locked_.size()) &&
        locked_.at(static_cast<std::size_t>(field))) {
        flags &= ~Qt::ItemIsEditable;
    }
    return flags;
}

bool StepTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (QSqlTableModel::setData(index, value, role)) {
        return true;
    }
    // Left in the model, the value would be shown and run although the file never got it.
    if (isDirty()) {
        const QSqlError error = lastError();
        revertAll();
        if (on_write_failed) {
            on_write_failed(error);
        }
    }
    return false;
}

void StepTableModel::set_locked(int field, bool locked) {
    if (field >= 0 && field < static_cast<int>(locked_.size())) {
        locked_.at(static_cast<std::size_t>(field)) = locked;
    }
}

bool StepTableModel::any_locked() const {
    return std::any_of(locked_.begin(), locked_.end(), [](bool locked) { return locked; });
}

} // namespace kelvo::qt
