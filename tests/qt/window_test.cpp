// The main window after the load step, the load step's failures, and the way the
// controls raise their events.
#include "qt_fixture.h"

#include <QAbstractButton>
#include <QMessageBox>

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextDocument>
#include <QTimer>

namespace kelvo::qt::testing {
namespace {

::testing::AssertionResult contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << '"' << text << "\" lacks \"" << part << '"';
}

void press(QWidget* widget, int key, const QString& text = {}) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &up);
}

void type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        press(widget, 0, QString(c));
    }
}

TEST_F(WindowTest, LoadStepLeavesTheWindowReadyToRun) {
    load();
    QtForm& w = *form;

    EXPECT_EQ(w.Combo1.item_count(), 32);
    EXPECT_EQ(w.Combo1.item_text(0), "0V");
    EXPECT_EQ(w.Combo1.item_text(31), "31V");
    EXPECT_EQ(w.Combo1.selected_index(), 0);
    EXPECT_EQ(w.Text1.text(), "0V");
    EXPECT_EQ(w.Combo2.item_count(), 52);
    EXPECT_EQ(w.Combo2.item_text(10), "1A");
    EXPECT_EQ(w.Combo2.item_text(51), "5.1A");
    EXPECT_EQ(w.Text2.text(), "0A");
    EXPECT_EQ(w.Combo3.text(), "English");
    EXPECT_EQ(w.Combo3.selected_index(), 1);
    EXPECT_EQ(w.Combo4.text(), "Steady Output");
    EXPECT_EQ(w.Combo5.item_count(), 101);
    EXPECT_EQ(w.Combo5.item_text(0), "x");
    EXPECT_EQ(w.Combo5.item_text(100), "100");
    EXPECT_EQ(w.Combo5.text(), "x");

    EXPECT_TRUE(logic->english_mode);
    EXPECT_FALSE(logic->trip_on_over_current);
    EXPECT_TRUE(logic->run_forever);

    EXPECT_EQ(w.Text3.text(), "KELVO\r\nVersion: 1.0\r\n");
    EXPECT_EQ(w.Text3.widget()->toPlainText(), QStringLiteral("KELVO\nVersion: 1.0\n"));
    EXPECT_EQ(w.StatusBar1.panel_text(1), "communication:wait...");
    EXPECT_EQ(w.StatusBar1.panel(2)->text(), QStringLiteral("KELVO"));
    EXPECT_EQ(w.StatusBar1.panel(3)->text(), QStringLiteral("Version: 1.0"));

    EXPECT_EQ(w.Slider1.minimum(), 0);
    EXPECT_EQ(w.Slider1.maximum(), 3100);
    EXPECT_EQ(w.Slider2.maximum(), 5100);
    EXPECT_EQ(w.Slider1.widget()->orientation(), Qt::Vertical);
    EXPECT_EQ(w.Timer1.interval(), 100);
    EXPECT_EQ(w.Timer2.interval(), 5);
    EXPECT_TRUE(w.Timer1.timer()->isActive());

    EXPECT_EQ(w.main_window().windowTitle(), QStringLiteral("KELVO"));
    EXPECT_FALSE(w.main_window().windowIcon().isNull());
    EXPECT_TRUE(w.window.maximized());
    EXPECT_EQ(w.Frame1.widget()->title(), QStringLiteral("OUT"));
    EXPECT_EQ(w.Frame2.caption(), "SET");
    EXPECT_EQ(w.Command1.widget()->text(), QStringLiteral("ON"));
    EXPECT_EQ(w.Command4.caption(), "RUN");
    EXPECT_EQ(w.Label7.caption(), "Run Count");
    EXPECT_EQ(w.Label5.widget()->text(), QStringLiteral("中文/English"));
    EXPECT_TRUE(w.Command5.widget()->isHidden());
    EXPECT_EQ(w.Adodc1.record_count(), 4);
}

TEST_F(WindowTest, TheSearchForTheSupplyNeverSendsIntoOtherPorts) {
    // COM1-15 are other devices; the search opens them only to see that they exist, then
    // takes COM16, the highest number.
    std::array<PseudoTerminal, 15> others;
    PseudoTerminal supply;
    std::string ports;
    for (const PseudoTerminal& other : others) {
        ports += other.slave() + ":";
    }
    ASSERT_EQ(::setenv("KELVO_SERIAL_PORTS", (ports + supply.slave()).c_str(), 1), 0);
    make();
    ::unsetenv("KELVO_SERIAL_PORTS");
    {
        const std::lock_guard<std::mutex> lock(logic->send_mutex);
        logic->command_frame = "QZPPSU1200H1500O";
    }
    ASSERT_TRUE(wait_until([&] { return form->Timer2.running(); }));
    for (int i = 0; i < 100; ++i) {
        logic->connect_port();
        ASSERT_EQ(logic->port_number, 16);
        supply.drain();
    }
    EXPECT_FALSE(supply.received(16).empty());
    for (const PseudoTerminal& other : others) {
        EXPECT_EQ(other.drain(), "") << other.slave();
    }
}

TEST_F(WindowTest, LayoutPlacesControlsInTheirContainersAtTheScreensScale) {
    load();
    QtForm& w = *form;
    // The offscreen screen is 800 x 800 pixels at 96 dots per inch: 15 twips a pixel.
    const float sx = logic->screen_scale_x;
    const float sy = logic->screen_scale_y;
    EXPECT_FLOAT_EQ(sx, 800.0f / 1440.0f);
    EXPECT_FLOAT_EQ(sy, 800.0f / 900.0f);

    const QRect text1 = w.Text1.widget()->geometry();
    const QRect combo1 = w.Combo1.widget()->geometry();
    EXPECT_EQ(w.Text1.widget()->parentWidget(), w.Frame2.widget());
    EXPECT_EQ(text1.topLeft(), combo1.topLeft());
    EXPECT_EQ(text1.left(), qRound(360 * sx / 15));
    EXPECT_NEAR(combo1.width() - text1.width(), 360 * sx / 15, 1);
    EXPECT_EQ(text1.height(), qRound(555 * sy / 15));
    // The entry field lies in front of its list.
    const QObjectList& children = w.Frame2.widget()->children();
    EXPECT_GT(children.indexOf(w.Text1.widget()), children.indexOf(w.Combo1.widget()));

    EXPECT_EQ(w.Picture1_1.widget()->geometry(),
              QRect(qRound(6360 * sx / 15), qRound(3840 * sy / 15), qRound(9975 * sx / 15),
                    qRound(3135 * sy / 15)));
    EXPECT_DOUBLE_EQ(w.Label1.font_size(), static_cast<float>(22 * sx));
    EXPECT_NEAR(w.Label1.widget()->font().pointSizeF(), 22 * sx, 0.01);
    EXPECT_EQ(w.Label1.widget()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(w.Label2.widget()->palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

TEST_F(WindowTest, CodeColoursButtonsAndTheSystemFaceComesBack) {
    make();
    const QColor face = form->Command1.widget()->palette().color(QPalette::Button);
    form->Command1.set_back_color(platform::kGreen);
    EXPECT_EQ(form->Command1.widget()->palette().color(QPalette::Button), QColor(0, 255, 0));
    form->Command1.set_back_color(std::nullopt);
    EXPECT_EQ(form->Command1.widget()->palette().color(QPalette::Button), face);
}

// ---- start-up failures ----------------------------------------------------------------------

struct BrokenFolder {
    const char* name;
    std::function<void(const ProgramFolder&)> spoil;
    const char* file;
    const char* reason;
};

// Test names and failure messages show the case's name, not its bytes.
void PrintTo(const BrokenFolder& folder, std::ostream* out) {
    *out << folder.name;
}

class LoadFailure : public WindowTest, public ::testing::WithParamInterface<BrokenFolder> {};

TEST_P(LoadFailure, NamesTheFileAndTheReason) {
    GetParam().spoil(folder);
    make();
    try {
        logic->Form_Load();
        FAIL() << "the load step went through";
    } catch (const platform::StartupError& error) {
        EXPECT_TRUE(contains(error.what(), folder.file(GetParam().file)));
        EXPECT_TRUE(contains(error.what(), GetParam().reason));
    }
}

std::string sqlite_without_table() {
    // A real SQLite database with another table only.
    const std::string path = std::filesystem::temp_directory_path() / "kelvo-other-table.db";
    std::filesystem::remove(path);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "other-table");
        db.setDatabaseName(QString::fromStdString(path));
        db.open();
        QSqlQuery(db).exec(QStringLiteral("CREATE TABLE steps (a REAL)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other-table"));
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

INSTANTIATE_TEST_SUITE_P(
    Folders, LoadFailure,
    ::testing::Values(
        BrokenFolder{"NoIcon", [](const ProgramFolder& f) { f.remove("PPS.ico"); }, "PPS.ico",
                     "does not exist"},
        BrokenFolder{"GarbageIcon",
                     [](const ProgramFolder& f) { f.write("PPS.ico", "not a picture at all"); },
                     "PPS.ico", "not a picture"},
        BrokenFolder{"NoDatabase", [](const ProgramFolder& f) { f.remove("db1.mdb"); }, "db1.mdb",
                     "does not exist"},
        BrokenFolder{"TextDatabase",
                     [](const ProgramFolder& f) { f.write("db1.mdb", "U,A,T\n5,1,3\n"); },
                     "db1.mdb", "not an SQLite database"},
        BrokenFolder{"DamagedAccessDatabase",
                     [](const ProgramFolder& f) {
                         f.write("db1.mdb", std::string("\0\1\0\0Standard Jet DB\0\0\0\0", 23));
                     },
                     "db1.mdb", "cannot convert the Access step table"},
        BrokenFolder{"NoTable",
                     [](const ProgramFolder& f) { f.write("db1.mdb", sqlite_without_table()); },
                     "db1.mdb", "no table QZ7150PPS1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Program, WithoutItsFilesSaysWhyAndEnds) {
    const std::filesystem::path built = std::filesystem::path(KELVO_ASSETS_DIR) / "kelvo";
    if (!std::filesystem::exists(built)) {
        GTEST_SKIP() << "the program is not built";
    }
    ProgramFolder folder;
    folder.remove("PPS.ico");
    const std::string copy = folder.file("kelvo");
    std::filesystem::copy_file(built, copy);
    QProcess program;
    program.start(QString::fromStdString(copy), {});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 1);
    const std::string said = program.readAllStandardError().toStdString();
    EXPECT_TRUE(contains(said, "kelvo: cannot start: cannot load the window icon " +
                                   folder.file("PPS.ico")));
}

// ---- events -------------------------------------------------------------------------------

TEST_F(WindowTest, ListsRaiseClickForEveryChoiceButNotForTyping) {
    make();
    QtListBox& list = form->Combo3;
    int clicks = 0;
    list.on_click([&] { ++clicks; });
    list.add_item("中文");
    list.add_item("English");
    EXPECT_EQ(list.selected_index(), -1);
    EXPECT_EQ(clicks, 0);

    // From code, even when the index stays.
    list.set_selected_index(1);
    list.set_selected_index(1);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(list.text(), "English");

    // The user types into the edit field and presses Enter: no choice.
    QLineEdit* edit = list.widget()->lineEdit();
    edit->clear();
    type(edit, QStringLiteral("中文"));
    press(edit, Qt::Key_Return);
    EXPECT_EQ(list.text(), "中文");
    EXPECT_EQ(clicks, 2);
    // ... and leaves the field (Tab, a click elsewhere): still no choice.
    emit edit->editingFinished();
    EXPECT_EQ(clicks, 2);

    // Choosing again from code shows the item's text again.
    list.set_selected_index(1);
    EXPECT_EQ(list.text(), "English");
    EXPECT_EQ(clicks, 3);

    // The user's choice with the arrow key, and one from the drop-down list.
    press(list.widget(), Qt::Key_Up);
    EXPECT_EQ(list.selected_index(), 0);
    EXPECT_EQ(clicks, 4);
    emit list.widget()->activated(1);
    EXPECT_EQ(clicks, 5);

    list.clear();
    EXPECT_EQ(list.item_count(), 0);
    EXPECT_EQ(list.text(), "");
}

TEST_F(WindowTest, UserChoiceRunsFormHandlers) {
    load();
    press(form->Combo3.widget(), Qt::Key_Up); // English -> 中文
    EXPECT_FALSE(logic->english_mode);
    press(form->Combo4.widget(), Qt::Key_Down); // Steady Output -> trip out
    EXPECT_TRUE(logic->trip_on_over_current);
}

TEST_F(WindowTest, TextBoxesRaiseChangeOncePerChange) {
    make();
    QtTextBox& box = form->Text1;
    int changes = 0;
    box.on_change([&] { ++changes; });
    box.set_text("12V");
    box.set_text("12V");
    EXPECT_EQ(changes, 2);
    box.append_text("x");
    EXPECT_EQ(box.text(), "12Vx");
    EXPECT_EQ(changes, 3);

    box.widget()->setCursorPosition(4);
    type(box.widget(), QStringLiteral("5"));
    EXPECT_EQ(box.text(), "12Vx5");
    EXPECT_EQ(changes, 4);

    box.set_text("电压5V");
    EXPECT_EQ(box.text_length(), 4u);
    box.set_sel_start(2);
    EXPECT_EQ(box.widget()->cursorPosition(), 2);
}

TEST_F(WindowTest, SlidersAndButtonsReport) {
    make();
    int changes = 0;
    int clicks = 0;
    form->Slider1.set_maximum(3100);
    form->Slider1.on_change([&] { ++changes; });
    form->Command1.on_click([&] { ++clicks; });
    form->Slider1.widget()->setValue(1234);
    EXPECT_EQ(form->Slider1.value(), 1234);
    EXPECT_EQ(changes, 1);
    form->Command1.widget()->click();
    EXPECT_EQ(clicks, 1);
    form->Command1.set_enabled(false);
    form->Command1.widget()->click();
    EXPECT_EQ(clicks, 1);
}

TEST_F(WindowTest, RecordLogKeepsItsExactTextAndGrowsAtTheEnd) {
    make();
    QtLogBox& log = form->Text3;
    int changes = 0;
    log.on_change([&] { ++changes; });
    log.set_text("KELVO\r\n");
    qsizetype removed = -1;
    int at = -1;
    QObject::connect(log.widget()->document(), &QTextDocument::contentsChange, log.widget(),
                     [&](int position, int chars_removed, int) {
                         at = position;
                         removed = chars_removed;
                     });
    const int end = log.widget()->document()->characterCount() - 1;
    log.append_text("2026-12-06 12:00:01 5.00V 1.000A\r\n");
    EXPECT_EQ(removed, 0);
    EXPECT_EQ(at, end);
    EXPECT_EQ(changes, 2);
    log.append_text("电压\r\n");
    EXPECT_EQ(log.text(), "KELVO\r\n2026-12-06 12:00:01 5.00V 1.000A\r\n电压\r\n");
    EXPECT_EQ(log.text_length(), 7u + 34u + 4u);
    EXPECT_EQ(log.widget()->toPlainText(),
              QStringLiteral("KELVO\n2026-12-06 12:00:01 5.00V 1.000A\n电压\n"));
    EXPECT_TRUE(log.widget()->isReadOnly());

    log.set_sel_start(log.text_length());
    EXPECT_TRUE(log.widget()->textCursor().atEnd());
    log.set_sel_start(7); // just after the first CR LF
    EXPECT_EQ(log.widget()->textCursor().position(), 6);
}

TEST_F(WindowTest, RecordLogFollowsItsNewestLineUnlessTheReaderScrolledBack) {
    make();
    QtLogBox& log = form->Text3;
    log.widget()->resize(400, 120);
    log.widget()->show();
    std::string text;
    for (int i = 0; i < 200; ++i) {
        text += "12:00:00          05.00V          1.000A\r\n";
    }
    log.set_text(text);
    QScrollBar* bar = log.widget()->verticalScrollBar();
    // A new line as the record adds it: appended, then the caret put at the end.
    const auto new_line = [&log] {
        log.append_text("\r\n12:00:01          05.00V          1.000A");
        log.set_sel_start(log.text_length());
        QCoreApplication::processEvents();
    };
    bar->setValue(bar->maximum());
    new_line();
    EXPECT_EQ(bar->value(), bar->maximum());
    bar->setValue(10); // the reader goes back to an earlier line
    new_line();
    new_line();
    EXPECT_EQ(bar->value(), 10);
    bar->setValue(bar->maximum()); // and back to the end: it follows again
    new_line();
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(WindowTest, ClosingAsksTheHookWhichMayKeepTheWindowOpen) {
    make();
    int asked = 0;
    bool may_close = false;
    form->main_window().on_close = [&] {
        ++asked;
        return may_close;
    };
    form->main_window().show();
    form->main_window().close();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(form->main_window().isVisible());
    may_close = true;
    form->window.close(); // from the model, once the user has answered
    EXPECT_TRUE(wait_until([&] { return !form->main_window().isVisible(); }));
    EXPECT_EQ(asked, 2);
}

TEST_F(WindowTest, BoxesLetTheProgramRunAndReportTheButtonPressed) {
    make();
    form->main_window().show();
    int answer = -1;
    form->message_box.show("Switch off?", "Q", {"Off", "Leave on", "Cancel"},
                           [&](int pressed) { answer = pressed; });
    QMessageBox* box = form->message_box.box();
    ASSERT_NE(box, nullptr); // shown, and show() has returned
    EXPECT_TRUE(wait_until([&] { return box->isVisible(); }));
    form->message_box.set_prompt("Switch off now?");
    EXPECT_EQ(box->text(), QStringLiteral("Switch off now?"));
    EXPECT_EQ(box->buttons().size(), 3);
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == QStringLiteral("Leave on")) {
            button->click();
        }
    }
    EXPECT_TRUE(wait_until([&] { return answer == 1; }));

    // Escape is the way back: the last button.
    answer = -1;
    form->message_box.show("Sure?", "", {"Yes", "No"}, [&](int pressed) { answer = pressed; });
    form->message_box.box()->reject();
    EXPECT_TRUE(wait_until([&] { return answer == 1; }));

    // A box taken away answers nothing.
    answer = -1;
    form->message_box.show("gone", "", {}, [&](int pressed) { answer = pressed; });
    form->message_box.dismiss();
    QCoreApplication::processEvents();
    EXPECT_EQ(answer, -1);
    EXPECT_EQ(form->message_box.box(), nullptr);
}

} // namespace
} // namespace kelvo::qt::testing
