// The Limits window on the real window: limits typed and applied are in force, kept in the
// user's file and shown on the tool strip; a refused one is told in a box and changes
// nothing; the boxes follow the limits in force and the captions the language.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/texts.h"
#include "qt/tools/tools.h"
#include "qt_fixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolBar>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <utility>

namespace kelvo::qt::testing {
namespace {

class LimitsWindowTest : public WindowFixture {
protected:
    void SetUp() override {
        // The limits file goes to the user's data folder: this test's own, not the user's.
        had_data_home_ = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        data_home_ = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(folder.file("data")));
        make_window();
        form->main_window().show();
        tools::add_limits_tool({form->main_window().strip(), &form->main_window(), *logic});
        button = form->main_window().findChild<QAction*>(QStringLiteral("limitsTool"));
        ASSERT_NE(button, nullptr);
    }
    void TearDown() override {
        close_window();
        if (had_data_home_) {
            qputenv("XDG_DATA_HOME", data_home_);
        } else {
            qunsetenv("XDG_DATA_HOME");
        }
    }

    QDialog* open() {
        button->trigger();
        return form->main_window().findChild<QDialog*>(QStringLiteral("limitsWindow"));
    }
    QLineEdit* entry(LimitKind kind) {
        return form->main_window().findChild<QLineEdit*>(QString::fromLatin1(limit_key(kind)));
    }
    void type(LimitKind kind, const char* text) { entry(kind)->setText(QString::fromUtf8(text)); }
    void click(const char* name) {
        form->main_window().findChild<QPushButton*>(QString::fromLatin1(name))->click();
    }
    std::string box_text() const {
        const QMessageBox* box = form->message_box.box();
        return box != nullptr ? box->text().toStdString() : std::string();
    }
    void answer_box() {
        ASSERT_NE(form->message_box.box(), nullptr);
        form->message_box.box()->buttons().front()->click();
        ASSERT_TRUE(wait_until([this] { return !logic->message_box_open(); }));
    }
    // As the user sees it: the strip has laid out its actions.
    bool strip_line_shown() const {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        return form->LimitsReadout.widget()->isVisible();
    }
    std::string limits_file() const {
        std::ifstream in(logic->limits_file_path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    QAction* button = nullptr;

private:
    bool had_data_home_ = false;
    QByteArray data_home_;
};

TEST_F(LimitsWindowTest, TypedLimitsAreInForceKeptAndOnTheStripUntilCleared) {
    EXPECT_FALSE(strip_line_shown());
    QDialog* window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    // The supply runs on while the window is open: nothing waits for it.
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    type(LimitKind::Voltage, "5");
    type(LimitKind::Current, " 1.5 ");
    type(LimitKind::Time, "60");
    type(LimitKind::Charge, "   "); // blanks are no limit, not a wrong one
    click("limitsApply");
    EXPECT_EQ(box_text(), "");
    OutputLimits expected;
    expected[LimitKind::Voltage] = 5;
    expected[LimitKind::Current] = 1.5;
    expected[LimitKind::Time] = 60;
    EXPECT_EQ(logic->output_limits, expected);
    EXPECT_EQ(limits_file(), "max-voltage=5\nmax-current=1.5\nmax-time=60\n");
    EXPECT_TRUE(strip_line_shown());
    EXPECT_NE(form->LimitsReadout.caption(), "");

    // Clear all empties the boxes only; Apply takes the limits away.
    click("limitsClear");
    for (const LimitKind kind : kLimitKinds) {
        EXPECT_TRUE(entry(kind)->text().isEmpty()) << limit_key(kind);
    }
    EXPECT_EQ(logic->output_limits, expected);
    click("limitsApply");
    EXPECT_FALSE(logic->output_limits.any());
    EXPECT_EQ(limits_file(), "");
    EXPECT_FALSE(strip_line_shown());

    // Closed and opened again: the same window, showing what is in force.
    std::string why;
    OutputLimits silence;
    silence[LimitKind::Silence] = 5;
    click("limitsClose");
    EXPECT_FALSE(window->isVisible());
    ASSERT_TRUE(logic->set_limits(silence, "command line", why)) << why;
    type(LimitKind::Silence, "typed while closed");
    EXPECT_EQ(open(), window);
    EXPECT_EQ(entry(LimitKind::Silence)->text(), QStringLiteral("5"));
    EXPECT_EQ(form->main_window().findChildren<QDialog*>(QStringLiteral("limitsWindow")).size(), 1);
}

TEST_F(LimitsWindowTest, ARefusedValueIsToldInABoxAndNothingChanges) {
    std::string why;
    OutputLimits before;
    before[LimitKind::Voltage] = 10;
    before[LimitKind::Energy] = 500;
    ASSERT_TRUE(logic->set_limits(before, "command line", why)) << why;
    open();
    EXPECT_EQ(entry(LimitKind::Voltage)->text(), QStringLiteral("10"));
    EXPECT_EQ(entry(LimitKind::Energy)->text(), QStringLiteral("500"));

    // Good values beside the wrong one are not taken either.
    type(LimitKind::Voltage, "5");
    type(LimitKind::Current, "abc");
    type(LimitKind::Time, "-1");
    click("limitsApply");
    EXPECT_EQ(box_text(), limit_refusal(LimitKind::Current, LimitRefusal::NotANumber, "abc"));
    EXPECT_EQ(logic->output_limits, before);
    EXPECT_TRUE(entry(LimitKind::Current)->hasSelectedText());
    answer_box();

    type(LimitKind::Current, "");
    click("limitsApply");
    EXPECT_EQ(box_text(), limit_refusal(LimitKind::Time, LimitRefusal::OutOfRange, "-1"));
    EXPECT_EQ(logic->output_limits, before);
    answer_box();
    type(LimitKind::Time, "");
    type(LimitKind::Voltage, "40");
    click("limitsApply");
    EXPECT_EQ(box_text(), limit_refusal(LimitKind::Voltage, LimitRefusal::OutOfRange, "40"));
    EXPECT_EQ(logic->output_limits, before);
    answer_box();

    // The window model refuses a limit under the set-point of the running output: its
    // reason is the box, and the boxes keep what was typed.
    logic->output_on = true;
    logic->set_voltage_code = 800;
    type(LimitKind::Voltage, "5");
    click("limitsApply");
    OutputLimits lower = before;
    lower[LimitKind::Voltage] = 5;
    std::string expected_why;
    EXPECT_FALSE(logic->set_limits(lower, "test", expected_why));
    EXPECT_EQ(box_text(), expected_why);
    EXPECT_EQ(logic->output_limits, before);
    EXPECT_EQ(entry(LimitKind::Voltage)->text(), QStringLiteral("5"));
    EXPECT_EQ(limits_file(), "");
    answer_box();
    logic->output_on = false;
}

TEST_F(LimitsWindowTest, BoxesFollowTheLimitsInForceAndCaptionsTheLanguage) {
    QDialog* window = open();
    EXPECT_EQ(button->text(), QStringLiteral("Limits"));
    type(LimitKind::Charge, "123");
    // Others put limits in force (remote control, ...): the boxes show them.
    OutputLimits other;
    other[LimitKind::Current] = 0.25;
    std::string why;
    ASSERT_TRUE(logic->set_limits(other, "remote", why)) << why;
    EXPECT_EQ(entry(LimitKind::Current)->text(), QStringLiteral("0.25"));
    EXPECT_TRUE(entry(LimitKind::Charge)->text().isEmpty());

    const auto caption_of = [&](const char* name) {
        return window->findChild<QPushButton*>(QString::fromLatin1(name))->text().toStdString();
    };
    form->Combo3.set_selected_index(0); // 中文
    EXPECT_EQ(window->windowTitle().toStdString(), texts::kLimitsTitle.zh);
    EXPECT_EQ(button->text().toStdString(), texts::kLimitsButton.zh);
    EXPECT_EQ(caption_of("limitsApply"), texts::kLimitsApply.zh);
    EXPECT_EQ(caption_of("limitsClear"), texts::kLimitsClear.zh);
    EXPECT_EQ(caption_of("limitsClose"), texts::kLimitsClose.zh);
    // Each box's caption names its own limit.
    const std::pair<LimitKind, const texts::Text*> rows[] = {
        {LimitKind::Voltage, &texts::kLimitVoltageLabel},
        {LimitKind::Current, &texts::kLimitCurrentLabel},
        {LimitKind::Time, &texts::kLimitTimeLabel},
        {LimitKind::Charge, &texts::kLimitChargeLabel},
        {LimitKind::Energy, &texts::kLimitEnergyLabel},
        {LimitKind::Silence, &texts::kLimitSilenceLabel}};
    const QList<QLabel*> labels = window->findChildren<QLabel*>();
    for (const auto& [kind, caption] : rows) {
        const auto label = std::find_if(labels.begin(), labels.end(),
                                        [&](const QLabel* l) { return l->buddy() == entry(kind); });
        ASSERT_NE(label, labels.end()) << limit_key(kind);
        EXPECT_EQ((*label)->text().toStdString(), caption->zh);
    }
    EXPECT_NE(std::find_if(labels.begin(), labels.end(),
                           [](const QLabel* l) {
                               return l->text().toStdString() == texts::kLimitsIntro.zh;
                           }),
              labels.end());
    form->Combo3.set_selected_index(1); // English
    EXPECT_EQ(caption_of("limitsApply"), texts::kLimitsApply.en);
    EXPECT_EQ(button->text().toStdString(), texts::kLimitsButton.en);
}

} // namespace
} // namespace kelvo::qt::testing
