// Steps from a CSV file into the real SQLite step table and back out, through the window
// model; a table the file system will not let change keeps its steps, and one box says why.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/tools/step_tools.h"
#include "qt_fixture.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTableView>

#include <sys/stat.h>

namespace kelvo::qt::testing {
namespace {

using platform::FieldValue;

class StepToolsTest : public WindowFixture {
protected:
    void load() { make_window(); }
    QString file(const char* name, const QByteArray& bytes = {}) const {
        QString path = QString::fromStdString(folder.file(name));
        if (!bytes.isEmpty()) {
            QFile out(path);
            EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
        }
        return path;
    }
    std::vector<std::array<FieldValue, 3>> table_in_file() const {
        QtRecordSet records;
        records.set_database(folder.file("db1.mdb"));
        records.set_record_source("QZ7150PPS1");
        records.refresh();
        std::vector<std::array<FieldValue, 3>> rows;
        for (records.move_first(); rows.size() < static_cast<std::size_t>(records.record_count());
             records.move_next()) {
            rows.push_back({records.field(1), records.field(2), records.field(3)});
        }
        return rows;
    }
};

TEST_F(StepToolsTest, AFileReplacesTheStepsInTheFileAndTheGridAndExportsTheSame) {
    load();
    const QByteArray text = "voltage V;current A;seconds\r\n1.5;0.25;2\r\n31;5.1;32767\r\n";
    const tools::StepFileRead read = tools::read_step_file(file("in.csv", text), true);
    ASSERT_TRUE(read.problems.isEmpty()) << read.problems.join(u'\n').toStdString();
    ASSERT_TRUE(logic->apply_steps(read.steps, true));
    const std::vector<std::array<FieldValue, 3>> expected{{1.5, 0.25, 2.0}, {31.0, 5.1, 32767.0}};
    EXPECT_EQ(table_in_file(), expected);
    EXPECT_EQ(form->DataGrid1.view()->model()->rowCount(), 2);

    ASSERT_EQ(tools::write_step_file(*logic, file("out.csv")), QString());
    QFile out(file("out.csv"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), "voltage V,current A,seconds\r\n1.5,0.25,2\r\n31,5.1,32767\r\n");
    // A FIFO at the chosen name is replaced, not waited on; a folder that is not there is
    // said in the system's words, and nothing is left behind.
    const QString taken = file("taken.csv");
    ASSERT_EQ(::mkfifo(taken.toLocal8Bit().constData(), 0600), 0);
    ASSERT_EQ(tools::write_step_file(*logic, taken), QString());
    EXPECT_TRUE(QFileInfo(taken).isFile());
    EXPECT_EQ(tools::write_step_file(*logic, file("no/out.csv")), "No such file or directory");
    EXPECT_EQ(tools::read_step_file(file("missing.csv"), true).problems.size(), 1);
    // A FIFO picked in the dialog is refused at once, not waited on.
    const QString fifo = file("fifo.csv");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(tools::read_step_file(fifo, true).problems,
              QStringList{"the file cannot be read (it is a FIFO, not a regular file)"});
}

TEST_F(StepToolsTest, AReadOnlyTableKeepsItsStepsAndOneBoxSaysWhy) {
    const auto before = table_in_file();
    std::filesystem::permissions(folder.file("db1.mdb"), std::filesystem::perms::owner_read);
    {
        const UserFileRights rights;
        if (!rights.usable()) {
            GTEST_SKIP() << "run as root without a way to give up the override of permissions";
        }
        load();
    }
    const RampSteps ramp = make_ramp({Quantity::Voltage, 1, 2, 3, 1, 1});
    EXPECT_FALSE(logic->apply_steps(ramp.steps, true));
    EXPECT_FALSE(logic->apply_steps(ramp.steps, false));
    EXPECT_EQ(table_in_file(), before);
    ASSERT_TRUE(wait_until([this] { return form->message_box.box() != nullptr; }));
    EXPECT_EQ(form->message_box.box()->text().toStdString(),
              "The step table was not changed: the file is read-only\n\nReported again: 2 times "
              "in all.");
    EXPECT_EQ(logic->reports_waiting(), 1U);
    EXPECT_TRUE(wait_until([this] { return form->DataGrid1.view()->model()->rowCount() == 4; }));
}

} // namespace
} // namespace kelvo::qt::testing
