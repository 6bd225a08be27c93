// The step table: an SQLite file read and edited through the record set and its grid.
#include "qt_fixture.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QValidator>

namespace kelvo::qt::testing {
namespace {

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
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "writer");
        db.setDatabaseName(QString::fromStdString(folder.file("db1.mdb")));
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(QStringLiteral(
            "UPDATE QZ7150PPS1 SET \"U（V）\" = '五', \"A（A）\" = NULL, \"T（S）\" = '' "
            "WHERE ID = 1")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
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

} // namespace
} // namespace kelvo::qt::testing
