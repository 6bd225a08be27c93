// The step table: an SQLite file read and edited through the record set and its grid.
#include "qt_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTableView>
#include <QTimer>

#include <linux/capability.h>
#include <sys/syscall.h>

namespace kelvo::qt::testing {
namespace {

using platform::FieldValue;

// Answers every message box that opens while it lives, and keeps what they asked.
class Answer {
public:
    Answer() {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked.push_back(box->text());
                box->accept();
            }
        });
        timer_.start(5);
    }
    QStringList asked;

private:
    QTimer timer_;
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

class StepTableTest : public ::testing::Test {
protected:
    void SetUp() override { open(); }
    void open() {
        grid.reset();
        records = std::make_unique<QtRecordSet>();
        records->set_database(folder.file("db1.mdb"));
        records->set_record_source("QZ7150PPS1");
        records->refresh();
        grid = std::make_unique<QtGrid>(nullptr);
        grid->set_data_source(*records);
        grid->refresh();
    }
    QModelIndex cell(int row, int column) const { return records->model()->index(row, column + 1); }
    void insert_key() {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
        QCoreApplication::sendEvent(grid->view(), &down);
    }

    ProgramFolder folder;
    std::unique_ptr<QtRecordSet> records;
    std::unique_ptr<QtGrid> grid;
};

TEST_F(StepTableTest, ReadsTheStepsAndKeepsEditsAndNewStepsInTheFile) {
    EXPECT_EQ(records->record_count(), 4);
    EXPECT_EQ(records->field_count(), 4);
    records->move_first();
    EXPECT_EQ(records->field(1), FieldValue(5.0));
    records->move_next();
    records->move_next();
    EXPECT_EQ(records->field(2), FieldValue(1.5));

    ASSERT_TRUE(records->model()->setData(cell(1, 0), 7.25));
    insert_key();
    open();
    EXPECT_EQ(records->record_count(), 5);
    records->move_first();
    records->move_next();
    EXPECT_EQ(records->field(1), FieldValue(7.25));
}

TEST_F(StepTableTest, AReadOnlyFileRefusesEditsAndNewStepsAndSaysWhy) {
    std::filesystem::permissions(folder.file("db1.mdb"), std::filesystem::perms::owner_read);
    {
        const UserFileRights rights;
        if (!rights.usable()) {
            GTEST_SKIP() << "run as root without a way to give up the override of permissions";
        }
        open();
    }
    Answer ok;
    EXPECT_FALSE(records->model()->setData(cell(0, 0), 7.25));
    // At once, not only when the message shows: RUN must not take the refused value.
    records->move_first();
    EXPECT_EQ(records->field(1), FieldValue(5.0));
    ASSERT_TRUE(wait_until([&ok] { return ok.asked.size() == 1; }));
    insert_key();
    ASSERT_TRUE(wait_until([&ok] { return ok.asked.size() == 2; }));
    EXPECT_EQ(ok.asked, QStringList(2, QStringLiteral("The step table was not changed: "
                                                      "the file is read-only")));
    EXPECT_EQ(records->record_count(), 4);
}

} // namespace
} // namespace kelvo::qt::testing
