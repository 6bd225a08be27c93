// qt/steps/: the step table's model: locked columns and edits the file refuses.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/steps/step_model.h"

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
    if (locked_.contains(index.column())) {
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
    if (locked) {
        locked_.insert(field);
    } else {
        locked_.erase(field);
    }
}

bool StepTableModel::any_locked() const {
    return !locked_.empty();
}

} // namespace kelvo::qt
