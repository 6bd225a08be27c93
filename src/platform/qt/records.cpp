#include "platform/qt/records.h"
#include "platform/access/mdb_reader.h"
#include "platform/qt/access_import.h"
#include "platform/qt/application.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSqlError>
#include <QSqlRecord>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace kelvo::qt {

namespace {

constexpr int kGridFields = 3; // fields 1..3 are the grid's columns 0..2

QString number_text(double value) {
    return QLocale::c().toString(value, 'f', QLocale::FloatingPointShortest);
}

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

// What kind of file the step table is, by its first bytes.
std::string unreadable_reason(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        return "the file does not exist";
    }
    if (fs::is_directory(status)) {
        return "it is a folder, not a file";
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::string("the file cannot be read (") + std::strerror(errno) + ")";
    }
    std::array<char, 32> head{};
    const std::size_t got = std::fread(head.data(), 1, head.size(), file);
    const bool failed = std::ferror(file) != 0;
    const int read_errno = errno;
    std::fclose(file);
    if (failed) {
        return std::string("the file cannot be read (") + std::strerror(read_errno) + ")";
    }
    const std::string_view bytes(head.data(), got);
    if (bytes.substr(0, 16) == std::string_view("SQLite format 3\0", 16)) {
        return {};
    }
    if (got == 0) {
        return "the file is empty";
    }
    return "it is not an SQLite database";
}

} // namespace

// ---- the model ----------------------------------------------------------------------------

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

void StepTableModel::set_locked(int field, bool locked) {
    if (field >= 0 && field < static_cast<int>(locked_.size())) {
        locked_.at(static_cast<std::size_t>(field)) = locked;
    }
}

// ---- the cell editor ----------------------------------------------------------------------

QWidget* NumberDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                      const QModelIndex&) const {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    static const QRegularExpression number(QStringLiteral("-?[0-9]*\\.?[0-9]{0,3}"));
    editor->setValidator(new QRegularExpressionValidator(number, editor));
    return editor;
}

void NumberDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const QVariant value = index.data(Qt::EditRole);
    static_cast<QLineEdit*>(editor)->setText(
        is_number(value) && !value.isNull() ? number_text(value.toDouble()) : value.toString());
}

void NumberDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                  const QModelIndex& index) const {
    const QString text = static_cast<QLineEdit*>(editor)->text().trimmed();
    if (text.isEmpty()) {
        model->setData(index, QVariant(QMetaType::fromType<double>()), Qt::EditRole);
        return;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (ok) {
        model->setData(index, value, Qt::EditRole);
    }
    // A lone "-" or "." is no number: the cell keeps what it had.
}

QString NumberDelegate::displayText(const QVariant& value, const QLocale& locale) const {
    if (is_number(value) && !value.isNull()) {
        return number_text(value.toDouble());
    }
    return QStyledItemDelegate::displayText(value, locale);
}

// ---- the record set -----------------------------------------------------------------------

QtRecordSet::QtRecordSet()
    : connection_(QStringLiteral("kelvo-steps-%1").arg(reinterpret_cast<quintptr>(this))) {}

QtRecordSet::~QtRecordSet() {
    model_.reset();
    if (QSqlDatabase::contains(connection_)) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }
}

void QtRecordSet::fail(const std::string& reason) const {
    throw platform::StartupError("cannot open the step table " + path_ + ": " + reason);
}

void QtRecordSet::refresh() {
    // A step table brought from an Access database is converted once, in place; the
    // original is kept beside it.
    if (access::is_jet_file(path_)) {
        import_access_database(path_, table_);
    }
    if (const std::string reason = unreadable_reason(path_); !reason.empty()) {
        fail(reason);
    }
    const int previous = row_;
    if (model_) {
        model_.reset();
        if (on_reload) {
            on_reload();
        }
    }
    row_ = -1;
    QSqlDatabase database = QSqlDatabase::contains(connection_)
                                ? QSqlDatabase::database(connection_, false)
                                : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    database.close();
    database.setDatabaseName(qstr(path_));
    if (!database.open()) {
        fail("the database cannot be opened (" + utf8(database.lastError().text()) + ")");
    }
    QString table;
    for (const QString& name : database.tables()) {
        if (name.compare(qstr(table_), Qt::CaseInsensitive) == 0) {
            table = name;
        }
    }
    if (table.isEmpty()) {
        fail("it has no table " + table_);
    }
    auto model = std::make_unique<StepTableModel>(nullptr, database);
    model->setTable(table);
    model->setEditStrategy(QSqlTableModel::OnFieldChange);
    if (!model->select()) {
        fail("the table " + table_ + " cannot be read (" + utf8(model->lastError().text()) + ")");
    }
    // An edit makes the model read the table again; it must always be whole.
    QObject::connect(model.get(), &QAbstractItemModel::modelReset, model.get(),
                     [this] { fetch_all(); });
    model_ = std::move(model);
    fetch_all();
    row_ = record_count() > 0 ? std::clamp(previous, 0, record_count() - 1) : -1;
    if (on_reload) {
        on_reload();
    }
}

void QtRecordSet::fetch_all() const {
    if (!model_) {
        return;
    }
    while (model_->canFetchMore()) {
        model_->fetchMore();
    }
}

int QtRecordSet::record_count() const {
    if (!model_) {
        return 0;
    }
    fetch_all();
    return model_->rowCount();
}

int QtRecordSet::field_count() const {
    return model_ ? model_->record().count() : 0;
}

void QtRecordSet::set_current_row(int row) {
    if (row == row_) {
        return;
    }
    row_ = row;
    if (on_move) {
        on_move(row_);
    }
}

void QtRecordSet::move_first() {
    row_ = record_count() > 0 ? 0 : -1;
    if (on_move) {
        on_move(row_);
    }
}

void QtRecordSet::move_next() {
    if (row_ < record_count()) {
        ++row_;
    }
    if (on_move) {
        on_move(row_);
    }
}

platform::FieldValue QtRecordSet::field(int position) const {
    if (!model_ || row_ < 0 || row_ >= record_count() || position < 0 ||
        position >= field_count()) {
        return std::monostate{};
    }
    const QVariant value = model_->record(row_).value(position);
    if (value.isNull()) {
        return std::monostate{};
    }
    if (is_number(value)) {
        return value.toDouble();
    }
    const QString text = value.toString();
    if (text.isEmpty()) {
        return std::monostate{};
    }
    return utf8(text);
}

// ---- the grid -----------------------------------------------------------------------------

QtGrid::QtGrid(QWidget* parent)
    : WidgetControl(new QWidget(parent)), caption_(new QLabel(widget_)),
      view_(new QTableView(widget_)), delegate_(new NumberDelegate(view_)) {
    auto* layout = new QVBoxLayout(widget_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(caption_);
    layout->addWidget(view_, 1);
    caption_->setTextFormat(Qt::PlainText);
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setAutoFillBackground(true);
    QPalette palette = caption_->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Mid));
    caption_->setPalette(palette);
    caption_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    view_->setItemDelegate(delegate_);
    view_->setSelectionBehavior(QAbstractItemView::SelectItems);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 4);
    view_->verticalHeader()->setFixedWidth(px_x(225));
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The headings are wider than their columns: their beginning is what tells them apart.
    view_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view_->horizontalHeader()->setHighlightSections(false);
}

void QtGrid::set_data_source(platform::RecordSet& records) {
    auto* qt_records = dynamic_cast<QtRecordSet*>(&records);
    if (records_ != nullptr && records_ != qt_records) {
        records_->on_reload = nullptr;
        records_->on_move = nullptr;
    }
    records_ = qt_records;
    if (records_ == nullptr) {
        return;
    }
    records_->on_reload = [this] { bind(); };
    records_->on_move = [this](int row) { show_row(row); };
    bind();
}

void QtGrid::refresh() {
    bind();
}

void QtGrid::bind() {
    StepTableModel* model = records_ != nullptr ? records_->model() : nullptr;
    QItemSelectionModel* old_selection = view_->selectionModel();
    if (view_->model() != model) {
        view_->setModel(model);
        if (old_selection != nullptr && old_selection != view_->selectionModel()) {
            old_selection->deleteLater();
        }
        if (view_->selectionModel() != nullptr) {
            QObject::connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged,
                             view_, [this](const QModelIndex& current) {
                                 if (records_ != nullptr && current.isValid()) {
                                     records_->set_current_row(current.row());
                                 }
                             });
        }
    }
    if (model == nullptr) {
        return;
    }
    static const std::array<QString, kGridFields> headings{QStringLiteral("Voltage（V）"),
                                                           QStringLiteral("Current（A）"),
                                                           QStringLiteral("time（S）")};
    static constexpr std::array<double, kGridFields> widths{1005.165, 1005.165, 884.976};
    const int fields = model->columnCount();
    for (int field = 0; field < fields; ++field) {
        const bool shown = field >= 1 && field <= kGridFields;
        view_->setColumnHidden(field, !shown);
        if (shown) {
            const auto column = static_cast<std::size_t>(field - 1);
            model->setHeaderData(field, Qt::Horizontal, headings.at(column));
            model->setHeaderData(field, Qt::Horizontal, headings.at(column), Qt::ToolTipRole);
            view_->setColumnWidth(field, px_x(widths.at(column)));
            model->set_locked(field, locked_.at(column));
        }
    }
    show_row(records_->current_row());
}

void QtGrid::show_row(int row) {
    QAbstractItemModel* model = view_->model();
    if (model == nullptr) {
        return;
    }
    if (row < 0 || row >= model->rowCount()) {
        // Before the first or after the last record: no row is current.
        view_->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    const QModelIndex current = view_->currentIndex();
    const int column = current.isValid() ? current.column() : 1;
    if (current.row() != row) {
        view_->selectionModel()->setCurrentIndex(model->index(row, column),
                                                 QItemSelectionModel::NoUpdate);
    }
}

void QtGrid::set_column_locked(int column, bool locked) {
    if (column < 0 || column >= kGridFields) {
        return;
    }
    locked_.at(static_cast<std::size_t>(column)) = locked;
    if (records_ != nullptr && records_->model() != nullptr) {
        records_->model()->set_locked(column + 1, locked);
    }
}

void QtGrid::font_changed() {
    const QFont font = widget_->font();
    view_->setFont(font);
    view_->horizontalHeader()->setFont(font);
    caption_->setFont(font);
    view_->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
}

} // namespace kelvo::qt
