// The base the window's controls share, on real widgets: every kind the program switches
// off greys its own widget and reads the state back, and the widget it hands out is the one
// it made, of its own type.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/widgets/widgets.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QWidget>

#include <gtest/gtest.h>

namespace kelvo::qt::testing {
namespace {

template <class Control> void switches_its_own_widget() {
    QWidget parent;
    Control control(&parent);
    ASSERT_EQ(control.widget()->parentWidget(), &parent);
    ASSERT_EQ(parent.findChildren<QWidget*>().front(), control.widget());
    control.set_enabled(false);
    EXPECT_FALSE(control.widget()->isEnabled());
    EXPECT_FALSE(control.enabled());
    control.set_enabled(true);
    EXPECT_TRUE(control.widget()->isEnabled());
    EXPECT_TRUE(control.enabled());
}

TEST(WidgetControlTest, EveryControlTheProgramSwitchesOffGreysItsOwnWidget) {
    switches_its_own_widget<QtButton>();
    switches_its_own_widget<QtTextBox>();
    switches_its_own_widget<QtLogBox>();
    switches_its_own_widget<QtListBox>();
    switches_its_own_widget<QtSlider>();
}

} // namespace
} // namespace kelvo::qt::testing
