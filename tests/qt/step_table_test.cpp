// The step table: an SQLite file read and edited through the record set and its grid.
#include "qt_fixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTimer>
#include <QValidator>

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>

namespace kelvo::qt::testing {
namespace {

void press(QWidget* widget, int key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &up);
}

// Answers every message box that opens while it lives, and keeps what they asked.
class Answer {
public:
    explicit Answer(QMessageBox::StandardButton button) {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this, button] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked.push_back(box->text());
                if (QAbstractButton* answer = box->button(button)) {
                    answer->click();
                } else {
                    box->reject();
                }
            }
        });
        timer_.start(5);
    }
    QStringList asked;

private:
    QTimer timer_;
};

// The longest the window's thread went without turning its event loop while this lived.
class Heartbeat {
public:
    Heartbeat() {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { beat(); });
        timer_.start(5);
    }
    qint64 longest_ms() {
        beat();
        return longest_;
    }

private:
    void beat() {
        const qint64 now = clock_.elapsed();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
    }
    QElapsedTimer clock_;
    QTimer timer_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

// Another program in a write transaction on the file, holding SQLite's POSIX locks as SQLite
// itself does: writing (a read lock on the readers' bytes, a write lock on the reserved byte)
// or committing (a write lock on all lock bytes, which shuts readers out too).
class LockHolder {
public:
    enum Stage { Reading, Writing, Committing };
    static constexpr off_t kPending = 0x40000000;

    LockHolder(const std::string& path, Stage stage) {
        int ready[2];
        int release[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(release, O_CLOEXEC) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            // Only async-signal-safe calls here: the test process has threads.
            ::prctl(PR_SET_NAME, "lock-holder");
            ::close(ready[0]);
            ::close(release[1]); // so that the test closing its end is the end of the wait
            const int file = ::open(path.c_str(), O_RDWR);
            const auto lock = [file](short type, off_t start, off_t length) {
                struct flock range {};
                range.l_type = type;
                range.l_whence = SEEK_SET;
                range.l_start = start;
                range.l_len = length;
                return ::fcntl(file, F_SETLK, &range) == 0;
            };
            const bool held = stage == Committing
                                  ? lock(F_WRLCK, kPending, 512)
                                  : lock(F_RDLCK, kPending + 2, 510) &&
                                        (stage == Reading || lock(F_WRLCK, kPending + 1, 1));
            const char answer = held ? 'y' : 'n';
            char until_closed = 0;
            if (::write(ready[1], &answer, 1) == 1) {
                while (::read(release[0], &until_closed, 1) > 0) {
                }
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        char answer = 'n';
        held_ = pid_ > 0 && ::read(ready[0], &answer, 1) == 1 && answer == 'y';
        ::close(ready[0]);
    }
    ~LockHolder() {
        ::close(release_);
        if (pid_ > 0) {
            ::waitpid(pid_, nullptr, 0);
        }
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool held() const { return held_; }
    // The words the program names it by.
    QString named() const {
        return QStringLiteral("the file is locked by another program (lock-holder, process %1)")
            .arg(pid_);
    }

private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool held_ = false;
};

// A user's rights to files while it lives, for a test run as root: the override of file
// permissions is taken from this thread's effective capabilities, then given back.
class UserFileRights {
public:
    UserFileRights() {
        if (::geteuid() != 0) {
            usable_ = true;
            return;
        }
        if (::syscall(SYS_capget, &header_, saved_.data()) != 0) {
            return;
        }
        auto reduced = saved_;
        reduced[0].effective &= ~(1U << CAP_DAC_OVERRIDE);
        usable_ = dropped_ = ::syscall(SYS_capset, &header_, reduced.data()) == 0;
    }
    ~UserFileRights() {
        if (dropped_) {
            ::syscall(SYS_capset, &header_, saved_.data());
        }
    }
    UserFileRights(const UserFileRights&) = delete;
    UserFileRights& operator=(const UserFileRights&) = delete;
    bool usable() const { return usable_; }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    std::array<__user_cap_data_struct, 2> saved_{};
    bool usable_ = false;
    bool dropped_ = false;
};

const QString kNotChanged = QStringLiteral("The step table was not changed: ");

// Opens the grid's right-click menu over a row as the user would; returns whether each
// entry is usable.
std::pair<bool, bool> menu_entries(QtGrid& grid, int row = 0) {
    QTableView* view = grid.view();
    emit view->customContextMenuRequested(view->visualRect(view->model()->index(row, 1)).center());
    const std::pair<bool, bool> usable{grid.add_action()->isEnabled(),
                                       grid.delete_action()->isEnabled()};
    EXPECT_TRUE(grid.menu()->isVisible());
    grid.menu()->close();
    return usable;
}

class StepTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        grid = std::make_unique<QtGrid>(nullptr);
        records = open();
        grid->set_data_source(*records);
        grid->refresh();
    }
    void TearDown() override {
        grid.reset();
        records.reset();
    }
    // Opens the file again, into a grid of its own.
    void reopen() {
        TearDown();
        SetUp();
    }
    // Another program's change to the file.
    void change_file(const QStringList& statements) const {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "writer");
            db.setDatabaseName(QString::fromStdString(folder.file("db1.mdb")));
            ASSERT_TRUE(db.open());
            QSqlQuery query(db);
            for (const QString& statement : statements) {
                ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("writer"));
    }
    std::unique_ptr<QtRecordSet> open() const {
        auto set = std::make_unique<QtRecordSet>();
        set->set_database(folder.file("db1.mdb"));
        set->set_record_source("QZ7150PPS1");
        set->refresh();
        return set;
    }
    // Closes the file and reads it again from scratch.
    platform::FieldValue reopened_field(int row, int position) {
        grid.reset();
        records.reset();
        records = open();
        records->move_first();
        for (int i = 0; i < row; ++i) {
            records->move_next();
        }
        return records->field(position);
    }
    QModelIndex cell(int row, int column) const { return records->model()->index(row, column + 1); }
    int reopened_count() {
        grid.reset();
        records.reset();
        records = open();
        return records->record_count();
    }

    ProgramFolder folder;
    std::unique_ptr<QtGrid> grid;
    std::unique_ptr<QtRecordSet> records;
};

TEST_F(StepTableTest, ReadsTheStepsRecordByRecord) {
    EXPECT_EQ(records->record_count(), 4);
    EXPECT_EQ(records->field_count(), 4);
    records->move_first();
    EXPECT_EQ(records->field(1), platform::FieldValue(5.0));
    EXPECT_EQ(records->field(3), platform::FieldValue(3.0));
    records->move_next();
    records->move_next();
    EXPECT_EQ(records->field(2), platform::FieldValue(1.5));
    EXPECT_EQ(grid->view()->currentIndex().row(), 2);
    records->move_next();
    records->move_next();
    EXPECT_EQ(records->field(1), platform::FieldValue(std::monostate{}));

    // A row chosen in the grid is the current record.
    grid->view()->setCurrentIndex(records->model()->index(3, 1));
    EXPECT_EQ(records->field(1), platform::FieldValue(3.3));
}

TEST_F(StepTableTest, GridShowsThreeFieldsUnderTheirHeadings) {
    QTableView* view = grid->view();
    EXPECT_TRUE(view->isColumnHidden(0));
    EXPECT_FALSE(view->isColumnHidden(3));
    const auto heading = [view](int column) {
        return view->model()->headerData(column, Qt::Horizontal).toString();
    };
    EXPECT_EQ(heading(1), QStringLiteral("Voltage（V）"));
    EXPECT_EQ(heading(2), QStringLiteral("Current（A）"));
    EXPECT_EQ(heading(3), QStringLiteral("time（S）"));
    EXPECT_EQ(view->columnWidth(1), 67); // 1005.165 twips at 15 twips a pixel
    EXPECT_EQ(view->columnWidth(3), 59);
    EXPECT_NE(dynamic_cast<NumberDelegate*>(view->itemDelegate()), nullptr);
}

TEST_F(StepTableTest, AnEditIsInTheFileAtOnce) {
    ASSERT_TRUE(records->model()->setData(cell(1, 0), 7.25));
    EXPECT_EQ(reopened_field(1, 1), platform::FieldValue(7.25));
}

TEST_F(StepTableTest, CellEditorTakesNumbersOrNothing) {
    NumberDelegate delegate;
    const auto edit = [&](int row, const QString& text) {
        std::unique_ptr<QWidget> editor(delegate.createEditor(nullptr, {}, cell(row, 1)));
        auto* line = static_cast<QLineEdit*>(editor.get());
        line->setText(text);
        delegate.setModelData(line, records->model(), cell(row, 1));
    };
    std::unique_ptr<QWidget> editor(delegate.createEditor(nullptr, {}, cell(0, 1)));
    auto* line = static_cast<QLineEdit*>(editor.get());
    delegate.setEditorData(line, cell(0, 1));
    EXPECT_EQ(line->text(), QStringLiteral("1"));

    const QValidator* validator = line->validator();
    ASSERT_NE(validator, nullptr);
    const auto verdict = [validator](QString text) {
        int position = 0;
        return validator->validate(text, position);
    };
    EXPECT_EQ(verdict(QStringLiteral("abc")), QValidator::Invalid);
    EXPECT_EQ(verdict(QStringLiteral("1,5")), QValidator::Invalid);
    EXPECT_EQ(verdict(QStringLiteral("2.345")), QValidator::Acceptable);
    EXPECT_EQ(verdict(QStringLiteral("2.3456")), QValidator::Invalid);
    EXPECT_EQ(verdict(QStringLiteral("-0.5")), QValidator::Acceptable);
    EXPECT_EQ(verdict(QString()), QValidator::Acceptable);

    // Whatever reaches the model is a number or NULL; a lone "-" changes nothing.
    edit(0, QStringLiteral("2.345"));
    edit(0, QStringLiteral("-"));
    edit(1, QString());
    editor.reset();
    EXPECT_EQ(reopened_field(0, 2), platform::FieldValue(2.345));
    records->move_next();
    EXPECT_EQ(records->field(2), platform::FieldValue(std::monostate{}));
}

TEST_F(StepTableTest, NumbersShowWithAPointWhateverTheLocale) {
    QLocale::setDefault(QLocale(QLocale::German));
    const QString shown = static_cast<QStyledItemDelegate*>(grid->view()->itemDelegate())
                              ->displayText(QVariant(1.5), QLocale(QLocale::German));
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(shown, QStringLiteral("1.5"));
}

TEST_F(StepTableTest, LockedColumnsRefuseEditsFromTheUserAndFromCode) {
    grid->set_column_locked(0, true);
    EXPECT_FALSE(records->model()->flags(cell(0, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(records->model()->flags(cell(0, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(records->model()->setData(cell(0, 0), 9.0));
    grid->set_column_locked(0, false);
    EXPECT_TRUE(records->model()->setData(cell(0, 0), 9.0));

    // A lock outlives reading the table again.
    grid->set_column_locked(2, true);
    records->refresh();
    EXPECT_FALSE(records->model()->flags(cell(0, 2)) & Qt::ItemIsEditable);
}

TEST_F(StepTableTest, FieldsArriveAsNothingNumbersOrText) {
    change_file({QStringLiteral("UPDATE QZ7150PPS1 SET \"U（V）\" = '五', \"A（A）\" = NULL, "
                                "\"T（S）\" = '' WHERE ID = 1")});
    records->refresh();
    records->move_first();
    EXPECT_EQ(records->field(0), platform::FieldValue(1.0));
    EXPECT_EQ(records->field(1), platform::FieldValue(std::string("五")));
    EXPECT_EQ(records->field(2), platform::FieldValue(std::monostate{}));
    EXPECT_EQ(records->field(3), platform::FieldValue(std::monostate{}));
}

TEST_F(StepTableTest, TwoRecordSetsOnOneFileGoTheirOwnWays) {
    auto other = open();
    other->move_first();
    other->move_next();
    records->move_first();
    EXPECT_EQ(other->field(1), platform::FieldValue(10.0));
    EXPECT_EQ(records->field(1), platform::FieldValue(5.0));
    other.reset();
    EXPECT_EQ(records->record_count(), 4);
}

TEST_F(StepTableTest, InsertAddsAnEmptyStepAndOpensItsVoltage) {
    grid->view()->setCurrentIndex(cell(1, 0));
    press(grid->view(), Qt::Key_Insert);
    EXPECT_EQ(records->record_count(), 5);
    EXPECT_EQ(records->current_row(), 4);
    EXPECT_EQ(grid->view()->currentIndex(), cell(4, 0));
    EXPECT_NE(grid->view()->indexWidget(cell(4, 0)), nullptr); // the cell editor is open
    EXPECT_EQ(records->field(0), platform::FieldValue(5.0));
    EXPECT_EQ(records->field(1), platform::FieldValue(std::monostate{}));

    // A key the open editor leaves unused adds nothing.
    press(grid->view()->indexWidget(cell(4, 0)), Qt::Key_Insert);
    EXPECT_EQ(records->record_count(), 5);

    EXPECT_EQ(reopened_count(), 5);
    EXPECT_EQ(reopened_field(4, 0), platform::FieldValue(5.0));
    for (int position = 1; position <= 3; ++position) {
        EXPECT_EQ(records->field(position), platform::FieldValue(std::monostate{}));
    }
}

TEST_F(StepTableTest, DeleteAsksThenTakesTheChosenRowsFromTheFile) {
    QTableView* view = grid->view();
    // In a cell, Delete does nothing: rows are deleted only when chosen at their numbers.
    {
        Answer yes(QMessageBox::Yes);
        view->setCurrentIndex(cell(1, 0));
        press(view, Qt::Key_Delete);
        EXPECT_TRUE(yes.asked.isEmpty());
    }
    view->selectionModel()->select(QItemSelection(cell(1, 0), cell(2, 0)),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    {
        Answer no(QMessageBox::No);
        press(view, Qt::Key_Delete);
        EXPECT_EQ(no.asked, QStringList{QStringLiteral("Delete steps 2 to 3?")});
        EXPECT_EQ(records->record_count(), 4);
    }
    {
        Answer yes(QMessageBox::Yes);
        press(view, Qt::Key_Delete);
        EXPECT_EQ(yes.asked.size(), 1);
    }
    EXPECT_EQ(records->record_count(), 2);
    EXPECT_EQ(records->current_row(), 1);
    EXPECT_EQ(records->field(1), platform::FieldValue(3.3));

    // The menu deletes the row it was opened on.
    view->setCurrentIndex(cell(1, 2));
    EXPECT_EQ(menu_entries(*grid, 0), std::make_pair(true, true));
    {
        Answer yes(QMessageBox::Yes);
        grid->delete_action()->trigger();
        EXPECT_EQ(yes.asked, QStringList{QStringLiteral("Delete step 1?")});
    }
    EXPECT_EQ(reopened_count(), 1);
    records->move_first();
    EXPECT_EQ(records->field(1), platform::FieldValue(3.3));
}

TEST_F(StepTableTest, NoStepIsAddedOrDeletedWhileAColumnIsLocked) {
    grid->set_column_locked(2, true);
    EXPECT_EQ(menu_entries(*grid), std::make_pair(false, false));
    EXPECT_FALSE(records->add_record());
    EXPECT_FALSE(records->delete_records(0, 1));
    {
        Answer yes(QMessageBox::Yes);
        press(grid->view(), Qt::Key_Insert);
        grid->view()->selectRow(0);
        press(grid->view(), Qt::Key_Delete);
        grid->delete_action()->trigger();
        EXPECT_TRUE(yes.asked.isEmpty());
    }
    EXPECT_EQ(records->record_count(), 4);

    grid->set_column_locked(2, false);
    EXPECT_EQ(menu_entries(*grid), std::make_pair(true, true));
    EXPECT_TRUE(records->add_record());
    EXPECT_EQ(reopened_count(), 5);
}

TEST_F(StepTableTest, AReadOnlyFileRefusesEditsAndNewStepsAndSaysWhy) {
    std::filesystem::permissions(folder.file("db1.mdb"), std::filesystem::perms::owner_read);
    {
        const UserFileRights rights;
        if (!rights.usable()) {
            GTEST_SKIP() << "run as root, and root's override of file permissions cannot be "
                            "given up here";
        }
        reopen();
    }
    Answer ok(QMessageBox::Ok);
    EXPECT_FALSE(records->model()->setData(cell(0, 0), 7.25));
    // At once, not only when the message shows: RUN must not take the refused value.
    records->move_first();
    EXPECT_EQ(records->field(1), platform::FieldValue(5.0));
    EXPECT_EQ(grid->view()->model()->data(cell(0, 0)), QVariant(5.0));
    ASSERT_TRUE(wait_until([&ok] { return ok.asked.size() == 1; }));

    press(grid->view(), Qt::Key_Insert);
    ASSERT_TRUE(wait_until([&ok] { return ok.asked.size() == 2; }));
    EXPECT_EQ(ok.asked, QStringList(2, kNotChanged + QStringLiteral("the file is read-only")));
    EXPECT_EQ(records->record_count(), 4);
}

TEST_F(StepTableTest, AFileLockedByAnotherProgramRefusesChangesQuicklyAndNamesIt) {
    // The other program changed the first voltage before it took its lock.
    change_file({QStringLiteral("UPDATE QZ7150PPS1 SET \"U（V）\" = 6 WHERE ID = 1")});
    Answer ok(QMessageBox::Ok);
    for (const auto stage : {LockHolder::Committing, LockHolder::Writing, LockHolder::Reading}) {
        SCOPED_TRACE(stage);
        const LockHolder other(folder.file("db1.mdb"), stage);
        ASSERT_TRUE(other.held());
        ok.asked.clear();
        Heartbeat heartbeat;
        EXPECT_FALSE(records->model()->setData(cell(0, 0), 7.25));
        ASSERT_TRUE(wait_until([&ok] { return ok.asked.size() == 1; }));
        press(grid->view(), Qt::Key_Insert);
        ASSERT_TRUE(wait_until([&ok] { return ok.asked.size() == 2; }));
        EXPECT_EQ(ok.asked, QStringList(2, kNotChanged + other.named()));
        EXPECT_LT(heartbeat.longest_ms(), 200);
        // Read again where the other program lets it be read: the file's value. A committing
        // program keeps readers out, and the grid keeps what it read last.
        records->move_first();
        EXPECT_EQ(records->field(1),
                  platform::FieldValue(stage == LockHolder::Committing ? 5.0 : 6.0));
        EXPECT_EQ(records->record_count(), 4);
    }

    // Nothing refused got into the file, and once the other program is done, edits go through
    // again.
    EXPECT_EQ(reopened_count(), 4);
    EXPECT_EQ(reopened_field(0, 1), platform::FieldValue(6.0));
    EXPECT_TRUE(records->model()->setData(cell(0, 0), 7.25));
    EXPECT_EQ(reopened_field(0, 1), platform::FieldValue(7.25));
}

TEST_F(StepTableTest, AFileLockedAtStartUpIsReportedAsLocked) {
    const LockHolder committing(folder.file("db1.mdb"), LockHolder::Committing);
    ASSERT_TRUE(committing.held());
    QElapsedTimer clock;
    clock.start();
    try {
        open();
        ADD_FAILURE() << "a locked file opened";
    } catch (const platform::StartupError& error) {
        EXPECT_EQ(error.what(), "cannot open the step table " + folder.file("db1.mdb") + ": " +
                                    committing.named().toStdString());
    }
    EXPECT_LT(clock.elapsed(), 200);
}

// SQLite refuses a file that may not grow as it refuses one on a full disk.
TEST_F(StepTableTest, ANewStepOnAFullDiskIsRefusedAndSaysWhy) {
    const QString empty_step =
        QStringLiteral("INSERT INTO QZ7150PPS1 (\"U（V）\", \"A（A）\", \"T（S）\") "
                       "VALUES (NULL, NULL, NULL)");
    const auto pages = [](QSqlQuery& query) {
        query.exec(QStringLiteral("PRAGMA page_count"));
        return query.next() ? query.value(0).toInt() : -1;
    };
    // Empty steps up to the end of the table's page: one more needs a page of its own.
    int fit = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "filler");
        db.setDatabaseName(QString::fromStdString(folder.file("db1.mdb")));
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(QStringLiteral("BEGIN")));
        for (const int before = pages(query); pages(query) == before; ++fit) {
            ASSERT_TRUE(query.exec(empty_step));
        }
        query.exec(QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("filler"));
    change_file(QStringList{QStringLiteral("BEGIN")} + QStringList(fit - 1, empty_step) +
                QStringList{QStringLiteral("COMMIT")});
    reopen();
    const int steps = records->record_count();
    {
        QSqlDatabase db = records->model()->database();
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages(query))));
    }

    Answer ok(QMessageBox::Ok);
    press(grid->view(), Qt::Key_Insert);
    ASSERT_TRUE(wait_until([&ok] { return !ok.asked.isEmpty(); }));
    EXPECT_EQ(ok.asked, QStringList{kNotChanged + QStringLiteral("the disk is full")});
    EXPECT_EQ(records->record_count(), steps);
}

// RUN takes its copy of the table and locks the grid; STOP gives it back.
TEST_F(WindowTest, GridIsReadOnlyWhileAProgramRuns) {
    load();
    QtGrid& grid = form->DataGrid1;
    QtRecordSet& records = form->Adodc1;
    const auto editable = [&records](int column) {
        return records.model()
            ->flags(records.model()->index(0, column))
            .testFlag(Qt::ItemIsEditable);
    };
    logic->device_connected = true;
    logic->Command4_Click();
    ASSERT_TRUE(logic->program_running);
    for (int column = 1; column <= 3; ++column) {
        EXPECT_FALSE(editable(column)) << column;
    }
    EXPECT_EQ(menu_entries(grid), std::make_pair(false, false));
    press(grid.view(), Qt::Key_Insert);
    EXPECT_EQ(records.record_count(), 4);

    logic->Command4_Click();
    ASSERT_FALSE(logic->program_running);
    for (int column = 1; column <= 3; ++column) {
        EXPECT_TRUE(editable(column)) << column;
    }
    press(grid.view(), Qt::Key_Insert);
    EXPECT_EQ(records.record_count(), 5);
}

} // namespace
} // namespace kelvo::qt::testing
