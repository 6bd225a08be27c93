// The step table: an SQLite file read and edited through the record set and its grid.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_fixture.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>

namespace kelvo::qt::testing {
namespace {

using platform::FieldValue;

// Stands for the window's queue: keeps the boxes reported and the questions asked, whose
// answers the test gives.
class Reports final : public platform::Reporter {
public:
    void report(platform::Severity severity, const std::string& text, const std::string&) override {
        if (severity == platform::Severity::Box) {
            shown << QString::fromStdString(text);
        }
    }
    void ask(const std::string& prompt, const std::string&, const std::vector<std::string>& buttons,
             int /*default_button*/, std::function<void(int)> on_answer) override {
        asked << QString::fromStdString(prompt);
        offered = buttons;
        answer = std::move(on_answer);
    }
    QStringList shown;
    QStringList asked;
    std::vector<std::string> offered;
    std::function<void(int)> answer;
};

class StepTableTest : public ::testing::Test {
protected:
    void SetUp() override { open(); }
    void open() { open_step_table(folder, reports, records, grid); }
    QModelIndex cell(int row, int column) const { return records->model()->index(row, column + 1); }
    void press(int key) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(grid->view(), &down);
    }
    void choose_rows(int first, int last) {
        grid->view()->selectionModel()->select(QItemSelection(cell(first, 0), cell(last, 0)),
                                               QItemSelectionModel::ClearAndSelect |
                                                   QItemSelectionModel::Rows);
    }

    ProgramFolder folder;
    Reports reports;
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
    press(Qt::Key_Insert);
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
    EXPECT_FALSE(records->model()->setData(cell(0, 0), 7.25));
    // At once, not only when the message shows: RUN must not take the refused value.
    records->move_first();
    EXPECT_EQ(records->field(1), FieldValue(5.0));
    ASSERT_TRUE(wait_until([this] { return reports.shown.size() == 1; }));
    press(Qt::Key_Insert);
    ASSERT_TRUE(wait_until([this] { return reports.shown.size() == 2; }));
    EXPECT_EQ(reports.shown, QStringList(2, QStringLiteral("The step table was not changed: "
                                                           "the file is read-only")));
    EXPECT_EQ(records->record_count(), 4);
}

TEST_F(StepTableTest, DeletesOnlyOnYesAndOnlyTheStepsItAskedAbout) {
    choose_rows(1, 2);
    press(Qt::Key_Delete);
    EXPECT_EQ(reports.asked, QStringList(QStringLiteral("Delete steps 2 to 3?")));
    EXPECT_EQ(reports.offered, (std::vector<std::string>{"Yes", "No"}));
    EXPECT_EQ(records->record_count(), 4); // nothing before the answer
    reports.answer(1);
    EXPECT_EQ(records->record_count(), 4);

    press(Qt::Key_Delete);
    // The window went on while the question waited, and the first step went meanwhile.
    ASSERT_TRUE(records->delete_records(0, 1));
    reports.answer(0);
    EXPECT_EQ(reports.shown,
              QStringList(QStringLiteral("The step table was not changed: the "
                                         "steps changed while the question waited")));
    EXPECT_EQ(records->record_count(), 3);

    choose_rows(1, 2);
    press(Qt::Key_Delete);
    reports.answer(0);
    EXPECT_EQ(records->record_count(), 1);
    records->move_first();
    EXPECT_EQ(records->field(1), FieldValue(10.0));
}

TEST_F(StepTableTest, HeadingsAreShownWholeInTheGridsWidthAtEveryScreenSize) {
    // The grid's width and font at the layout's scale for 800, 1440 and 1920 pixels across.
    for (const double scale : {800.0 / 1440, 1.0, 1920.0 / 1440}) {
        grid->set_font_size(9 * scale);
        grid->widget()->resize(static_cast<int>(3375 * scale / 15), 300);
        grid->widget()->show();
        QHeaderView* header = grid->view()->horizontalHeader();
        wait_until([] { return false; }, 100); // the layout settles
        const QFontMetrics metrics(header->font());
        int widths = 0;
        for (int field = 1; field <= 3; ++field) {
            const QString heading = records->model()->headerData(field, Qt::Horizontal).toString();
            for (const QString& line : heading.split(u'\n')) {
                EXPECT_LT(metrics.horizontalAdvance(line), header->sectionSize(field)) << scale;
            }
            widths += header->sectionSize(field);
        }
        EXPECT_EQ(widths, grid->view()->viewport()->width()) << scale;
        EXPECT_GE(header->height(), metrics.height() * (header->sectionSize(1) < 80 ? 2 : 1));
        // Once fitted the grid rests: no heading is set again and again (that kept a core
        // busy repainting the grid).
        int changes = 0;
        const auto counter = QObject::connect(
            records->model(), &QAbstractItemModel::headerDataChanged, [&changes] { ++changes; });
        wait_until([] { return false; }, 200);
        QObject::disconnect(counter);
        EXPECT_EQ(changes, 0) << scale;
    }
}

} // namespace
} // namespace kelvo::qt::testing
