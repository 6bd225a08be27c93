// The real window after its load step, the chart box drawing, and boxes that do not block.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_fixture.h"

#include "fake/fake_platform.h"
#include "layout/design_table.h"
#include "qt/application.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

namespace kelvo::qt::testing {
namespace {

// The real window with Form1 on it.
class WindowTest : public WindowFixture {
protected:
    void SetUp() override { make_window(false); }
};

TEST_F(WindowTest, LoadStepLeavesTheWindowReadyToRun) {
    logic->Form_Load();
    QtForm& w = *form;
    EXPECT_EQ(w.Combo1.item_count(), 32);
    EXPECT_EQ(w.Combo2.item_text(51), "5.1A");
    EXPECT_EQ(w.Combo3.text(), "English");
    EXPECT_EQ(w.Combo5.text(), "x");
    EXPECT_EQ(w.Text3.text(), "KELVO\r\nVersion: 1.0\r\n");
    EXPECT_EQ(w.StatusBar1.panel_text(1), "communication:wait...");
    EXPECT_EQ(w.Slider1.maximum(), 3100);
    EXPECT_TRUE(w.Timer1.timer()->isActive());
    EXPECT_EQ(w.main_window().windowTitle(), QStringLiteral("KELVO"));
    EXPECT_EQ(w.Command1.widget()->text(), QStringLiteral("ON"));
    EXPECT_EQ(w.Adodc1.record_count(), 4);
}

// What a control shows as its caption or first text, in the real window and in the fake.
std::string shown(QtLabel& c) {
    return utf8(c.widget()->text());
}
std::string shown(QtFrame& c) {
    return utf8(c.widget()->title());
}
std::string shown(QtButton& c) {
    return utf8(c.widget()->text());
}
std::string shown(QtTextBox& c) {
    return utf8(c.widget()->text());
}
std::string shown(QtLogBox& c) {
    return utf8(c.widget()->toPlainText());
}
std::string shown(QtListBox& c) {
    return utf8(c.widget()->currentText());
}
std::string shown(QtGrid& c) {
    return utf8(c.caption()->text());
}
std::string shown(fake::FakeLabel& c) {
    return c.current_caption;
}
std::string shown(fake::FakeButton& c) {
    return c.current_caption;
}
std::string shown(fake::FakeTextBox& c) {
    return c.content;
}
std::string shown(fake::FakeListBox& c) {
    return c.edit_text;
}
std::string shown(fake::FakeGrid& c) {
    return c.caption;
}
template <class Control> std::string shown(Control& /*control*/) {
    return {};
}

QRect pixels(double left, double top, double width, double height) {
    return {px_x(left), px_y(top), px_x(width), px_y(height)};
}

// A control as the window makes it: the design row's place, face and caption.
template <class Control> void expect_designed(Control& control, const layout::Design& row) {
    if constexpr (requires { control.widget()->geometry(); }) {
        const QRect at = control.widget()->geometry();
        const layout::Place& place = row.designed;
        EXPECT_EQ(at.topLeft(), QPoint(px_x(place.left), px_y(place.top)));
        EXPECT_EQ(at.width(), px_x(place.width));
        if (place.height) {
            EXPECT_EQ(at.height(), px_y(*place.height));
        }
        if (row.font) {
            const QFont font = control.widget()->font();
            EXPECT_EQ(font.pointSizeF(), row.font->size);
            EXPECT_EQ(utf8(font.family()), row.font->face.empty()
                                               ? utf8(QApplication::font().family())
                                               : std::string(row.font->face));
        }
        EXPECT_EQ(shown(control), row.caption);
    } else {
        ADD_FAILURE() << "a design row for a control without a widget";
    }
}

TEST_F(WindowTest, BeforeTheLoadStepEachControlIsAsDesigned) {
    QtForm& w = *form;
    std::size_t rows = 0;
    for (const layout::Design& row : layout::kDesign) {
        SCOPED_TRACE(std::string(row.control));
#define KELVO_EXPECT_DESIGNED(kind, name, role)                                                    \
    if (row.control == #name) {                                                                    \
        expect_designed(w.name, row);                                                              \
        ++rows;                                                                                    \
    }
        KELVO_CONTROLS(KELVO_EXPECT_DESIGNED)
#undef KELVO_EXPECT_DESIGNED
    }
    EXPECT_EQ(rows, layout::kDesign.size());
    // Where the layout has figures of its own, the window still starts from the design's.
    EXPECT_EQ(w.Label1.widget()->geometry(), pixels(360, 720, 615, 495));
    EXPECT_EQ(w.Label2.widget()->geometry(), pixels(960, 720, 1335, 375));
    EXPECT_EQ(w.Label6.widget()->geometry(), pixels(2040, 5160, 2895, 375));
    EXPECT_EQ(w.Picture1_0.widget()->height(), px_y(3015));
    EXPECT_EQ(w.Text3.widget()->height(), px_y(3015));
    EXPECT_EQ(w.Label1.widget()->font().pointSizeF(), 21.75);
    EXPECT_EQ(w.StatusBar1.panel(1)->font().pointSizeF(), 12);
}

TEST_F(WindowTest, TheFakeWindowStartsWithTheRealWindowsCaptions) {
    fake::FakeForm fake_form;
    int captioned = 0;
#define KELVO_EXPECT_SAME(kind, name, role)                                                        \
    EXPECT_EQ(shown(fake_form.name), shown(form->name)) << #name;                                  \
    captioned += shown(form->name).empty() ? 0 : 1;
    KELVO_CONTROLS(KELVO_EXPECT_SAME)
#undef KELVO_EXPECT_SAME
    EXPECT_EQ(captioned, 21); // every control of the design table but sliders and charts
    for (int panel = 1; panel <= 3; ++panel) {
        EXPECT_EQ(fake_form.StatusBar1.panel_text(panel), form->StatusBar1.panel_text(panel));
    }
}

TEST_F(WindowTest, BoxesLetTheProgramRunAndReportTheButtonPressed) {
    form->main_window().show();
    int answer = -1;
    form->message_box.show("Switch off?", "Q", {"Off", "Leave on", "Cancel"}, 0,
                           [&](int pressed) { answer = pressed; });
    QMessageBox* box = form->message_box.box();
    ASSERT_NE(box, nullptr); // shown, and show() has returned
    EXPECT_TRUE(wait_until([&] { return box->isVisible(); }));
    form->message_box.set_prompt("Switch off now?");
    EXPECT_EQ(box->text(), QStringLiteral("Switch off now?"));
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == QStringLiteral("Leave on")) {
            button->click();
        }
    }
    EXPECT_TRUE(wait_until([&] { return answer == 1; }));

    answer = -1;
    form->message_box.show("gone", "", {}, 0, [&](int pressed) { answer = pressed; });
    form->message_box.dismiss();
    QCoreApplication::processEvents();
    EXPECT_EQ(answer, -1);
    EXPECT_EQ(form->message_box.box(), nullptr);
}

TEST_F(WindowTest, TheGridAsksInTheWindowsQueueAndDeletesOnYes) {
    logic->Form_Load();
    QTableView* view = form->DataGrid1.view();
    view->selectionModel()->select(view->model()->index(1, 1),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &del);
    QMessageBox* box = form->message_box.box();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Delete step 2?"));
    // Enter keeps the steps.
    EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("No"));
    const int steps = form->Adodc1.record_count();
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == QStringLiteral("Yes")) {
            button->click();
        }
    }
    EXPECT_TRUE(wait_until([&] { return form->Adodc1.record_count() == steps - 1; }));
}

TEST(ChartBox, LinesLandInTheImageAtTheirTwips) {
    QWidget client;
    QtPictureBox box{&client};
    box.set_geometry(0, 0, 3000, 1500); // 200 x 100 pixels at 15 twips a pixel
    box.cls();
    const auto pixel = [&box](int x, int y) { return box.widget()->image().pixelColor(x, y); };
    EXPECT_EQ(box.widget()->image().size(), QSize(200, 100));
    const QColor back = pixel(5, 5);
    box.line(150, 300, 1500, 300, platform::kGreen);
    EXPECT_EQ(pixel(50, 20), QColor(0, 255, 0));
    EXPECT_EQ(pixel(50, 22), back);
    box.set_fore_color(platform::kRed);
    box.line(0, 900, 3000, 900, std::nullopt);
    EXPECT_EQ(pixel(100, 60), QColor(255, 0, 0));
    box.set_geometry(0, 0, 4500, 3000); // resizing keeps what was drawn
    EXPECT_EQ(pixel(50, 20), QColor(0, 255, 0));
    box.cls();
    EXPECT_EQ(pixel(50, 20), back);
}

} // namespace
} // namespace kelvo::qt::testing
