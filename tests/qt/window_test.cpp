// The real window after its load step, the chart box drawing, and boxes that do not block.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

namespace kelvo::qt::testing {
namespace {

// The real window with Form1 on it.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<QtForm>(folder.path());
        logic = std::make_unique<Form1>(form->controls());
    }
    void TearDown() override {
        logic.reset();
        form.reset();
    }

    ProgramFolder folder;
    std::unique_ptr<QtForm> form;
    std::unique_ptr<Form1> logic;
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
