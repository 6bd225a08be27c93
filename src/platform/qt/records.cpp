#include "platform/qt/records.h"
#include "platform/access/mdb_reader.h"
#include "platform/qt/access_import.h"
#include "platform/qt/application.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpressionValidator>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace kelvo::qt {

namespace {

constexpr int kGridFields = 3; // fields 1..3 are the grid's columns 0..2

// How long SQLite waits for another program's lock before it gives up. A commit elsewhere
// takes a few milliseconds; anything longer is reported rather than waited out on the
// window's thread, which also runs the 100 ms polling cycle.
constexpr int kBusyTimeoutMs = 50;

// SQLite's result codes, the primary one in the low byte of an extended code.
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteIoError = 10;
constexpr int kSqliteFull = 13;

// SQLite's POSIX record locks on a database file: the pending byte at 1 GiB, the reserved
// byte after it, then 510 bytes for readers.
constexpr off_t kLockBytesStart = 0x40000000;
constexpr off_t kLockBytesLength = 512;

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

// The program holding SQLite's lock on the file, as "NAME, process PID"; empty when the
// system does not tell.
QString lock_holder(const std::string& path) {
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0) {
        return {};
    }
    // Closing any descriptor of the file drops every POSIX lock this process holds on it,
    // SQLite's own included: ask through a descriptor SQLite keeps open, and open one only
    // when there is none (and so no lock to lose).
    int descriptor = -1;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const std::string name = entry.path().filename().string();
        int number = -1;
        std::from_chars(name.data(), name.data() + name.size(), number);
        struct stat opened {};
        if (number >= 0 && ::fstat(number, &opened) == 0 && opened.st_dev == file.st_dev &&
            opened.st_ino == file.st_ino) {
            descriptor = number;
            break;
        }
    }
    const bool own = descriptor < 0;
    if (own) {
        descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = kLockBytesStart;
    probe.l_len = kLockBytesLength;
    const bool asked = descriptor >= 0 && ::fcntl(descriptor, F_GETLK, &probe) == 0;
    if (own && descriptor >= 0) {
        ::close(descriptor);
    }
    if (!asked || probe.l_type == F_UNLCK || probe.l_pid <= 0) {
        return {};
    }
    std::string name;
    std::getline(std::ifstream("/proc/" + std::to_string(probe.l_pid) + "/comm"), name);
    return name.empty() ? QStringLiteral("process %1").arg(probe.l_pid)
                        : QStringLiteral("%1, process %2").arg(qstr(name)).arg(probe.l_pid);
}

// SQLite reports some writes into a full disk (a flush, a file growing in advance) as I/O
// errors: the free space tells them apart.
bool disk_full(const std::string& path) {
    struct statvfs disk {};
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return ::statvfs(folder.empty() ? "." : folder.c_str(), &disk) == 0 &&
           static_cast<unsigned long long>(disk.f_bavail) * disk.f_frsize < 64 * 1024;
}

// Why the file refused a read or a write, in the user's words.
QString failure_reason(const QSqlError& error, const std::string& path) {
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case kSqliteBusy:
    case kSqliteLocked: {
        const QString holder = lock_holder(path);
        return QStringLiteral("the file is locked by another program") +
               (holder.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(holder));
    }
    case kSqliteReadOnly:
        return QStringLiteral("the file is read-only");
    case kSqliteFull:
        return QStringLiteral("the disk is full");
    case kSqliteIoError:
        if (disk_full(path)) {
            return QStringLiteral("the disk is full");
        }
        break;
    default:
        break;
    }
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

// One statement of its own; its error keeps SQLite's code, which QSqlDatabase::commit()
// and its kin drop.
bool execute(QSqlDatabase& database, const QString& statement, QSqlError& error) {
    QSqlQuery query(database);
    if (query.exec(statement)) {
        return true;
    }
    error = query.lastError();
    return false;
}

// Holds the file's read lock over a group of reads, so that they see one state of the file
// and none of them fails half-way on another program's lock. A select that failed would
// leave the model empty.
class ReadLock {
public:
    explicit ReadLock(QSqlDatabase database) : database_(std::move(database)) {
        held_ = execute(database_, QStringLiteral("BEGIN"), error_);
        if (held_ &&
            !execute(database_, QStringLiteral("SELECT COUNT(*) FROM sqlite_master"), error_)) {
            release();
        }
    }
    ~ReadLock() { release(); }
    ReadLock(const ReadLock&) = delete;
    ReadLock& operator=(const ReadLock&) = delete;
    // Invalid while the lock is held.
    const QSqlError& error() const { return error_; }

private:
    void release() {
        if (held_) {
            QSqlError ignored;
            execute(database_, QStringLiteral("COMMIT"), ignored);
            held_ = false;
        }
    }

    QSqlDatabase database_;
    QSqlError error_;
    bool held_ = false;
};

class StepView final : public QTableView {
public:
    using QTableView::QTableView;
    bool editing() const { return state() == EditingState; }
};

// Insert and Delete on the grid itself. A key the cell editor leaves unused comes up to the
// grid too, and must not add or delete a step under the user's typing.
class StepKeys final : public QObject {
public:
    StepKeys(StepView* view, std::function<bool(int)> pressed)
        : QObject(view), view_(view), pressed_(std::move(pressed)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && !view_->editing()) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->modifiers() == Qt::NoModifier && pressed_(key->key())) {
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    StepView* view_;
    std::function<bool(int)> pressed_;
};

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
    database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!database.open()) {
        fail("the database cannot be opened (" + utf8(database.lastError().text()) + ")");
    }
    {
        // Without the lock, a locked file would read as one without tables.
        const ReadLock lock(database);
        if (lock.error().isValid()) {
            fail(utf8(failure_reason(lock.error(), path_)));
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
            fail("the table " + table_ + " cannot be read (" +
                 utf8(failure_reason(model->lastError(), path_)) + ")");
        }
        // An edit makes the model read the table again; it must always be whole.
        QObject::connect(model.get(), &QAbstractItemModel::modelReset, model.get(),
                         [this] { fetch_all(); });
        model->on_write_failed = [this](const QSqlError& error) { edit_refused(error); };
        model_ = std::move(model);
        fetch_all();
    }
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

bool QtRecordSet::steps_changeable() const {
    return model_ && !model_->any_locked();
}

bool QtRecordSet::add_record() {
    error_.clear();
    if (!steps_changeable()) {
        return false;
    }
    QSqlDatabase database = model_->database();
    const QSqlDriver* driver = database.driver();
    const QSqlRecord fields = model_->record();
    const QString table = driver->escapeIdentifier(model_->tableName(), QSqlDriver::TableName);
    const QString id = driver->escapeIdentifier(fields.fieldName(0), QSqlDriver::FieldName);
    // NULL whatever defaults the table declares: a new step is empty until the user fills it.
    QStringList names;
    QStringList nulls;
    for (int field = 1; field <= std::min(kGridFields, fields.count() - 1); ++field) {
        names << driver->escapeIdentifier(fields.fieldName(field), QSqlDriver::FieldName);
        nulls << QStringLiteral("NULL");
    }
    const QString insert = names.isEmpty()
                               ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                               : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                     .arg(table, names.join(u','), nulls.join(u','));
    QVariant new_id;
    {
        QSqlQuery query(database);
        const auto run = [&query](const QString& statement, const QVariant& rowid) {
            if (!query.prepare(statement)) {
                return false;
            }
            if (rowid.isValid()) {
                query.addBindValue(rowid);
            }
            return query.exec();
        };
        QSqlError error;
        bool done = execute(database, QStringLiteral("BEGIN"), error);
        QVariant rowid;
        if (done && run(insert, {})) {
            rowid = query.lastInsertId();
            // An id SQLite does not hand out itself (no INTEGER PRIMARY KEY) is one past the
            // largest.
            done = run(QStringLiteral("UPDATE %1 SET %2 = (SELECT IFNULL(MAX(%2), 0) + 1 FROM %1) "
                                      "WHERE rowid = ? AND %2 IS NULL")
                           .arg(table, id),
                       rowid) &&
                   run(QStringLiteral("SELECT %2 FROM %1 WHERE rowid = ?").arg(table, id), rowid);
            if (done && query.next()) {
                new_id = query.value(0);
            }
            query.finish();
            done = done && execute(database, QStringLiteral("COMMIT"), error);
        } else {
            done = false;
        }
        if (!done) {
            roll_back(error.isValid() ? error : query.lastError(), database);
            reread_soon();
            return false;
        }
    }
    reread();
    // Where SQLite puts a new row: last, unless the table is read in some other order.
    int row = record_count() - 1;
    while (row > 0 && model_->record(row).value(0) != new_id) {
        --row;
    }
    place(model_->record(row).value(0) == new_id ? row : record_count() - 1);
    return true;
}

bool QtRecordSet::delete_records(int first, int count) {
    error_.clear();
    if (!steps_changeable() || first < 0 || count <= 0 || first + count > record_count()) {
        return false;
    }
    QSqlDatabase database = model_->database();
    const QSqlDriver* driver = database.driver();
    const QString table = model_->tableName();
    const QString remove = driver->sqlStatement(QSqlDriver::DeleteStatement, table, {}, false);
    QSqlError error;
    bool done = execute(database, QStringLiteral("BEGIN"), error);
    {
        QSqlQuery query(database);
        for (int row = first; row < first + count && done; ++row) {
            // The same statement the model would make, so a table without a primary key
            // works too.
            const QSqlRecord key = model_->key_of(row);
            done = query.prepare(
                remove + u' ' + driver->sqlStatement(QSqlDriver::WhereStatement, table, key, true));
            for (int field = 0; field < key.count() && done; ++field) {
                if (key.isGenerated(field) && !key.isNull(field)) {
                    query.addBindValue(key.value(field));
                }
            }
            done = done && query.exec();
        }
        if (done) {
            done = execute(database, QStringLiteral("COMMIT"), error);
        }
        if (!done) {
            roll_back(error.isValid() ? error : query.lastError(), database);
        }
    }
    if (!done) {
        reread_soon();
        return false;
    }
    reread();
    place(row_);
    return true;
}

void QtRecordSet::roll_back(const QSqlError& error, QSqlDatabase& database) {
    error_ = failure_reason(error, path_);
    database.rollback();
}

bool QtRecordSet::reread() {
    const ReadLock lock(model_->database());
    const bool read = !lock.error().isValid() && model_->select();
    if (!read && error_.isEmpty()) {
        error_ = failure_reason(lock.error().isValid() ? lock.error() : model_->lastError(), path_);
    }
    fetch_all();
    return read;
}

void QtRecordSet::reread_soon(std::function<void()> then) {
    // Not straight after the wait that refused a change, as reading may have to wait as long:
    // the window's thread takes its other work in between.
    QTimer::singleShot(1, model_.get(), [this, then = std::move(then)] {
        reread();
        place(row_);
        if (then) {
            then();
        }
    });
}

void QtRecordSet::edit_refused(const QSqlError& error) {
    // While the lock that refused the edit is still held, so that its holder can be named.
    const QString reason = failure_reason(error, path_);
    // Reported from outside the edit: the grid is still closing the cell editor.
    reread_soon([this, reason] {
        if (on_refused) {
            on_refused(reason);
        }
    });
}

void QtRecordSet::place(int row) {
    const int count = record_count();
    row_ = count > 0 ? std::clamp(row, 0, count - 1) : -1;
    // The reset took the grid's current cell away: put it back even if the row is the same.
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
      view_(new StepView(widget_)), delegate_(new NumberDelegate(view_)) {
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
    // Contiguous, so that rows can be chosen at their numbers for deleting.
    view_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 4);
    view_->verticalHeader()->setFixedWidth(px_x(225));
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The headings are wider than their columns: their beginning is what tells them apart.
    view_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view_->horizontalHeader()->setHighlightSections(false);

    menu_ = new QMenu(view_);
    add_action_ = menu_->addAction(QStringLiteral("Add step\tIns"));
    delete_action_ = menu_->addAction(QStringLiteral("Delete step"));
    QObject::connect(add_action_, &QAction::triggered, view_, [this] { add_step(); });
    QObject::connect(delete_action_, &QAction::triggered, view_,
                     [this] { delete_steps(menu_rows_.first, menu_rows_.second); });
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(view_, &QWidget::customContextMenuRequested, view_, [this](const QPoint& at) {
        update_actions(view_->indexAt(at).row());
        menu_->popup(view_->viewport()->mapToGlobal(at));
    });
    view_->installEventFilter(
        new StepKeys(static_cast<StepView*>(view_), [this](int key) { return key_pressed(key); }));
}

void QtGrid::set_data_source(platform::RecordSet& records) {
    auto* qt_records = dynamic_cast<QtRecordSet*>(&records);
    if (records_ != nullptr && records_ != qt_records) {
        records_->on_reload = nullptr;
        records_->on_move = nullptr;
        records_->on_refused = nullptr;
    }
    records_ = qt_records;
    if (records_ == nullptr) {
        return;
    }
    records_->on_reload = [this] { bind(); };
    records_->on_move = [this](int row) { show_row(row); };
    records_->on_refused = [this](const QString& reason) { report(reason); };
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

std::pair<int, int> QtGrid::chosen_rows() const {
    const QModelIndexList rows = view_->selectionModel() != nullptr
                                     ? view_->selectionModel()->selectedRows()
                                     : QModelIndexList();
    if (rows.isEmpty()) {
        return {-1, 0};
    }
    const auto [low, high] = std::minmax_element(
        rows.begin(), rows.end(),
        [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    return {low->row(), high->row() - low->row() + 1};
}

void QtGrid::update_actions(int pointer_row) {
    const auto chosen = chosen_rows();
    const bool on_chosen = chosen.second > 0 && pointer_row >= chosen.first &&
                           pointer_row < chosen.first + chosen.second;
    menu_rows_ = on_chosen          ? chosen
                 : pointer_row >= 0 ? std::pair(pointer_row, 1)
                                    : std::pair(-1, 0);
    const auto [first, count] = menu_rows_;
    const bool changeable = records_ != nullptr && records_->steps_changeable();
    add_action_->setEnabled(changeable);
    delete_action_->setEnabled(changeable && count > 0);
    // The key deletes only rows chosen at their numbers.
    const QString key = on_chosen ? QStringLiteral("\tDel") : QString();
    if (count > 1) {
        delete_action_->setText(
            QStringLiteral("Delete steps %1 to %2").arg(first + 1).arg(first + count) + key);
    } else if (count == 1) {
        delete_action_->setText(QStringLiteral("Delete step %1").arg(first + 1) + key);
    } else {
        delete_action_->setText(QStringLiteral("Delete step"));
    }
}

bool QtGrid::key_pressed(int key) {
    if (key == Qt::Key_Insert) {
        add_step();
        return true;
    }
    if (key == Qt::Key_Delete) {
        const auto [first, count] = chosen_rows();
        if (count > 0) {
            delete_steps(first, count);
            return true;
        }
    }
    return false;
}

void QtGrid::add_step() {
    if (records_ == nullptr || !records_->add_record()) {
        report(records_ != nullptr ? records_->last_error() : QString());
        return;
    }
    // Straight into the new step's voltage.
    const QModelIndex voltage = view_->model()->index(records_->current_row(), 1);
    view_->setCurrentIndex(voltage);
    view_->scrollTo(voltage);
    view_->setFocus();
    view_->edit(voltage);
}

void QtGrid::delete_steps(int first, int count) {
    if (records_ == nullptr || !records_->steps_changeable() || count <= 0) {
        return;
    }
    const QString question =
        count == 1 ? QStringLiteral("Delete step %1?").arg(first + 1)
                   : QStringLiteral("Delete steps %1 to %2?").arg(first + 1).arg(first + count);
    QMessageBox box(QMessageBox::Question, QStringLiteral("KELVO"), question,
                    QMessageBox::Yes | QMessageBox::No, view_);
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() != QMessageBox::Yes) {
        return;
    }
    // A RUN pressed meanwhile wins: the record set refuses then.
    if (!records_->delete_records(first, count)) {
        report(records_->last_error());
    }
}

void QtGrid::report(const QString& failure) const {
    if (!failure.isEmpty()) {
        QMessageBox::warning(view_, QStringLiteral("KELVO"),
                             QStringLiteral("The step table was not changed: ") + failure);
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
