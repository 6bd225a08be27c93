// The tool strip in both languages: each button and each window it opens is brought up by
// its button and follows the user's switch of language, to Chinese and back, open or not.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/texts.h"
#include "qt/tools/step_tools.h"
#include "qt/tools/tools.h"
#include "qt_fixture.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>

namespace kelvo::qt::testing {
namespace {

class ToolLanguageTest : public WindowFixture {
protected:
    void SetUp() override {
        make_window();
        form->main_window().show();
        tools::add_tools({form->main_window().strip(), &form->main_window(), *logic});
    }

    QObject* named(const char* name) const {
        return form->main_window().findChild<QObject*>(QString::fromLatin1(name));
    }
    // The windows of the strip, each opened by its button (the ramp and the profiles from the
    // Steps menu).
    std::vector<QWidget*> open_every_window() const {
        std::vector<QWidget*> windows;
        for (const char* button : {"limitsTool", "portTool", "monitorTool", "HistoryButton"}) {
            qobject_cast<QAction*>(named(button))->trigger();
        }
        for (const char* window :
             {"limitsWindow", "portWindow", "monitorWindow", "HistoryWindow"}) {
            windows.push_back(qobject_cast<QWidget*>(named(window)));
        }
        const QList<QAction*> steps =
            qobject_cast<QToolButton*>(named("StepsTool"))->menu()->actions();
        steps.at(2)->trigger();
        steps.at(3)->trigger();
        for (QDialog* dialog : form->main_window().findChildren<QDialog*>()) {
            if (dynamic_cast<tools::RampDialog*>(dialog) != nullptr) {
                windows.push_back(dialog);
            }
        }
        windows.push_back(qobject_cast<QWidget*>(named("ProfileDialog")));
        return windows;
    }
};

TEST_F(ToolLanguageTest, EveryButtonAndWindowOfTheStripFollowsTheLanguageBothWays) {
    const std::vector<QWidget*> windows = open_every_window();
    ASSERT_EQ(windows.size(), 6U);
    const texts::Text* titles[] = {&texts::kLimitsTitle,  &texts::kPortTitle,
                                   &texts::kMonitorTitle, &texts::kHistoryTitle,
                                   &texts::kRampTitle,    &texts::kProfileTitle};
    const std::pair<const char*, const texts::Text*> buttons[] = {
        {"limitsTool", &texts::kLimitsButton}, {"portTool", &texts::kPortTool},
        {"monitorTool", &texts::kMonitorTool}, {"HistoryButton", &texts::kHistoryButton},
        {"StepsTool", &texts::kStepsButton},   {"remoteTool", &texts::kRemoteOff}};
    // Closed or open, a window follows: the port window is closed for the switches.
    windows.at(1)->close();
    auto* ports = windows.at(1)->findChild<QTableWidget*>();
    for (const bool english : {false, true, false, true}) {
        form->Combo3.set_selected_index(english ? 1 : 0);
        for (std::size_t k = 0; k < windows.size(); ++k) {
            EXPECT_EQ(windows.at(k)->isVisible(), k != 1) << k;
            EXPECT_EQ(windows.at(k)->windowTitle().toStdString(), texts::in(english, *titles[k]));
        }
        for (const auto& [name, caption] : buttons) {
            EXPECT_EQ(named(name)->property("text").toString().toStdString(),
                      texts::in(english, *caption))
                << name;
        }
        // The port states, read at the last open, are words of the language too.
        EXPECT_EQ(ports->item(0, 2)->text().toStdString(), texts::in(english, texts::kStateAbsent));
    }
}

} // namespace
} // namespace kelvo::qt::testing
