// The fields of a step's end condition in the step table's SQLite file and its grid: added
// on demand, written with the steps all or nothing, shown and locked as the described ones.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/steps/step_cells.h"
#include "qt_fixture.h"

#include <QAction>
#include <QHeaderView>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>

namespace kelvo::qt::testing {
namespace {

using platform::FieldValue;
using platform::StepRow;

class ConditionReports final : public platform::Reporter {
public:
    void report(platform::Severity severity, const std::string& text, const std::string&) override {
        if (severity == platform::Severity::Box) {
            shown.push_back(text);
        }
    }
    void ask(const std::string&, const std::string&, const std::vector<std::string>&, int,
             std::function<void(int)>) override {}
    std::vector<std::string> shown;
};

// The statements on the file through a connection of their own, as another program would.
void run_sql(const std::string& path, const QStringList& statements) {
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "outside");
        database.setDatabaseName(QString::fromStdString(path));
        ASSERT_TRUE(database.open());
        QSqlQuery query(database);
        for (const QString& statement : statements) {
            ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
        }
    }
    QSqlDatabase::removeDatabase("outside");
}

std::vector<std::string> field_names(const platform::RecordSet& records) {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(records.field_count()));
    for (int field = 0; field < records.field_count(); ++field) {
        names.push_back(records.field_name(field));
    }
    return names;
}

const std::vector<std::string> kWithConditions{
    "ID",       "U（V）",          "A（A）",         "T（S）", "EndWhen",
    "EndLevel", "ShortestSeconds", "LongestSeconds", "Then"};

class StepConditions : public ::testing::Test {
protected:
    void SetUp() override { open(); }
    void open() { open_step_table(folder, reports, records, grid); }
    std::vector<FieldValue> row(int at) {
        records->move_first();
        for (int step = 0; step < at; ++step) {
            records->move_next();
        }
        std::vector<FieldValue> values;
        for (int field = 1; field < records->field_count(); ++field) {
            values.push_back(records->field(field));
        }
        return values;
    }
    QString heading(int field) const {
        return records->model()->headerData(field, Qt::Horizontal).toString();
    }

    ProgramFolder folder;
    ConditionReports reports;
    std::unique_ptr<QtRecordSet> records;
    std::unique_ptr<QtGrid> grid;
    const StepRow drained{{5.0, 1.0, 3.0},
                          {std::string("I<"), 0.05, 10.0, 600.0, std::string("stop")}};
};

TEST_F(StepConditions, FieldsAreAddedOnceAfterTheTablesOwnAndStayInTheFile) {
    EXPECT_EQ(records->field_name(1), "U（V）");
    EXPECT_EQ(records->field_name(4), "");
    EXPECT_FALSE(records->has_condition_fields());
    EXPECT_EQ(records->add_condition_fields(), "");
    EXPECT_EQ(field_names(*records), kWithConditions);
    EXPECT_EQ(records->add_condition_fields(), ""); // nothing left to add
    open();
    EXPECT_EQ(field_names(*records), kWithConditions);
    EXPECT_EQ(records->record_count(), 4);
    EXPECT_EQ(row(0), (std::vector<FieldValue>{5.0, 1.0, 3.0, {}, {}, {}, {}, {}}));

    // A table with some of them, in any case, gets only those it lacks.
    run_sql(folder.file("db1.mdb"),
            {"CREATE TABLE Other (ID INTEGER PRIMARY KEY, V REAL, A REAL, S REAL, x TEXT, "
             "endlevel REAL)"});
    records->set_record_source("Other");
    records->refresh();
    EXPECT_EQ(records->add_condition_fields(), "");
    EXPECT_EQ(field_names(*records),
              (std::vector<std::string>{"ID", "V", "A", "S", "x", "endlevel", "EndWhen",
                                        "ShortestSeconds", "LongestSeconds", "Then"}));
}

TEST_F(StepConditions, StepsWithConditionsFillTheirFieldsAllOrNothing) {
    // Without a condition the table keeps its fields.
    ASSERT_EQ(records->write_steps({{{1.0, 0.5, 2.0}, {}}}, false), "");
    EXPECT_EQ(records->field_count(), 4);

    ASSERT_EQ(records->write_steps({drained, {{2.0, 0.5, 1.0}, {}}}, true), "");
    EXPECT_EQ(field_names(*records), kWithConditions);
    open();
    ASSERT_EQ(records->record_count(), 2);
    EXPECT_EQ(row(0), (std::vector<FieldValue>{5.0, 1.0, 3.0, std::string("I<"), 0.05, 10.0, 600.0,
                                               std::string("stop")}));
    EXPECT_EQ(row(1), (std::vector<FieldValue>{2.0, 0.5, 1.0, {}, {}, {}, {}, {}}));

    // The second row breaks the table's own rule: neither the fields nor a row stay.
    run_sql(folder.file("db1.mdb"),
            {"CREATE TABLE Checked (ID INTEGER PRIMARY KEY, V REAL CHECK (V < 31), A REAL, S REAL)",
             "INSERT INTO Checked (V, A, S) VALUES (1, 1, 1)"});
    records->set_record_source("Checked");
    records->refresh();
    EXPECT_NE(records->write_steps({drained, {{40.0, 1.0, 1.0}, {}}}, true), "");
    records->refresh();
    EXPECT_EQ(records->field_count(), 4);
    EXPECT_EQ(records->record_count(), 1);
    EXPECT_EQ(row(0), (std::vector<FieldValue>{1.0, 1.0, 1.0}));
}

TEST_F(StepConditions, AReadOnlyFileOrARunningProgramRefusesTheFields) {
    grid->set_column_locked(0, true);
    EXPECT_EQ(records->add_condition_fields(), "a step program is running; stop it first");
    grid->prepare_menu(0);
    ASSERT_TRUE(grid->conditions_action()->isVisible());
    grid->conditions_action()->trigger();
    EXPECT_EQ(reports.shown, (std::vector<std::string>{"The step table was not changed: a step "
                                                       "program is running; stop it first"}));
    grid->set_column_locked(0, false);

    std::filesystem::permissions(folder.file("db1.mdb"), std::filesystem::perms::owner_read);
    const UserFileRights rights;
    if (!rights.usable()) {
        GTEST_SKIP() << "run as root without a way to give up the override of permissions";
    }
    open();
    EXPECT_EQ(records->add_condition_fields(), "the file is read-only");
    EXPECT_EQ(records->write_steps({drained}, false), "the file is read-only");
    EXPECT_EQ(records->field_count(), 4);
}

TEST_F(StepConditions, TheGridShowsTheFieldsInTheWindowsLanguageWithTheirEditors) {
    grid->prepare_menu(0);
    EXPECT_TRUE(grid->conditions_action()->isVisible());
    EXPECT_EQ(grid->field_of(3), -1);
    grid->conditions_action()->trigger();
    EXPECT_TRUE(reports.shown.empty());
    grid->prepare_menu(0);
    EXPECT_FALSE(grid->conditions_action()->isVisible());

    QTableView& view = *grid->view();
    const QFontMetrics metrics(view.horizontalHeader()->font());
    for (int field = 1; field <= 8; ++field) {
        EXPECT_FALSE(view.isColumnHidden(field)) << field;
    }
    for (int field = 4; field <= 8; ++field) {
        EXPECT_GT(view.columnWidth(field), metrics.horizontalAdvance(heading(field))) << field;
    }
    EXPECT_TRUE(view.isColumnHidden(0));
    EXPECT_EQ(heading(4), "End when");
    EXPECT_EQ(heading(8), "Then");
    grid->language_changed(false);
    EXPECT_EQ(grid->conditions_action()->text(), "添加结束条件");
    const QStringList chinese{"结束条件", "阈值", "最短秒数", "最长秒数", "然后"};
    for (int cell = 0; cell < 5; ++cell) {
        EXPECT_EQ(heading(4 + cell), chinese.at(cell));
    }
    EXPECT_EQ(records->model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(),
              "Voltage（V）");

    const auto* kinds = dynamic_cast<ChoiceDelegate*>(view.itemDelegateForColumn(4));
    ASSERT_NE(kinds, nullptr);
    EXPECT_EQ(kinds->choices(),
              (QStringList{"", "I<", "I>", "V<", "V>", "P<", "P>", "mAh>", "mWh>"}));
    const auto* thens = dynamic_cast<ChoiceDelegate*>(view.itemDelegateForColumn(8));
    ASSERT_NE(thens, nullptr);
    EXPECT_EQ(thens->choices(), (QStringList{"", "next", "stop"}));
    EXPECT_NE(
        dynamic_cast<NumberDelegate*>(view.itemDelegateForIndex(records->model()->index(0, 5))),
        nullptr);
}

TEST_F(StepConditions, ARunLocksTheConditionsColumnsToo) {
    ASSERT_EQ(records->add_condition_fields(), "");
    for (int column = 0; column < platform::kGridColumns; ++column) {
        grid->set_column_locked(column, true);
    }
    const auto editable = [this](int field) {
        const QAbstractItemModel& model = *records->model();
        return (model.flags(model.index(0, field)) & Qt::ItemIsEditable) != 0;
    };
    for (int field = 1; field <= 8; ++field) {
        EXPECT_FALSE(editable(field)) << field;
    }
    // The grid's columns, not the table's fields: the then column is the last.
    for (int column = 0; column < platform::kGridColumns; ++column) {
        grid->set_column_locked(column, column == 7);
    }
    records->refresh(); // the locks hold over a reading of the file again
    EXPECT_FALSE(editable(8));
    EXPECT_TRUE(editable(4));
    EXPECT_EQ(records->add_condition_fields(), "a step program is running; stop it first");
}

} // namespace
} // namespace kelvo::qt::testing
