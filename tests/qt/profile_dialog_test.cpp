// The profile dialog: a profile is shown in words before anything is written, figures at
// fault keep both buttons off and are named, a written profile lands in the real step table
// with its conditions, and nothing is written while a program runs.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/tools/step_tools.h"
#include "qt_fixture.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

namespace kelvo::qt::testing {
namespace {

class ProfileDialogTest : public WindowFixture {
protected:
    void SetUp() override {
        make_window();
        form->Combo3.set_selected_index(1); // English
        dialog = std::make_unique<tools::ProfileDialog>(nullptr, *logic);
    }
    void TearDown() override {
        dialog.reset();
        close_window();
    }
    void choose(ProfileKind kind) const {
        const auto at = std::find(kProfileKinds.begin(), kProfileKinds.end(), kind);
        dialog->kind_box()->setCurrentIndex(static_cast<int>(at - kProfileKinds.begin()));
    }
    void set(ProfileFigure figure, double value) const {
        QDoubleSpinBox* box = dialog->figure_box(figure);
        ASSERT_NE(box, nullptr);
        box->setValue(value);
    }
    bool can_write() const {
        return dialog->write_button()->isEnabled() && dialog->run_button()->isEnabled();
    }
    std::string preview() const { return dialog->preview_box()->toPlainText().toStdString(); }
    int grid_rows() const { return form->DataGrid1.view()->model()->rowCount(); }

    std::unique_ptr<tools::ProfileDialog> dialog;
};

TEST_F(ProfileDialogTest, AProfileIsShownFirstAndFiguresAtFaultKeepItFromTheTable) {
    const int rows_before = grid_rows();
    choose(ProfileKind::LiIon);
    set(ProfileFigure::Cells, 2);
    set(ProfileFigure::CellVolts, 4.2);
    set(ProfileFigure::Current, 1);
    set(ProfileFigure::Taper, 0.1);
    ASSERT_TRUE(can_write()) << preview();
    EXPECT_NE(preview().find("8.40"), std::string::npos) << preview();

    // A taper at the charge current never tapers: named, and nothing can be written.
    set(ProfileFigure::Taper, 1);
    EXPECT_FALSE(can_write());
    EXPECT_NE(preview().find("is not below"), std::string::npos) << preview();
    // A cell voltage other than the two a Li-ion cell is charged to.
    set(ProfileFigure::Taper, 0.1);
    set(ProfileFigure::CellVolts, 4.3);
    EXPECT_FALSE(can_write());
    EXPECT_NE(preview().find("4.3"), std::string::npos) << preview();
    EXPECT_EQ(grid_rows(), rows_before);

    // Each kind asks for its own figures.
    choose(ProfileKind::Sweep);
    EXPECT_EQ(dialog->figure_box(ProfileFigure::Cells), nullptr);
    EXPECT_NE(dialog->figure_box(ProfileFigure::From), nullptr);
    choose(ProfileKind::LiIon);
    EXPECT_NE(dialog->figure_box(ProfileFigure::Cells), nullptr);
}

TEST_F(ProfileDialogTest, WrittenItLandsInTheTableWithItsConditionsButNotWhileARunGoesOn) {
    choose(ProfileKind::BurnIn);
    ASSERT_TRUE(can_write()) << preview();
    dialog->write_button()->click();
    ASSERT_TRUE(logic->armed_profile.has_value());
    // The grid shows the steps.
    EXPECT_EQ(static_cast<std::size_t>(grid_rows()), logic->armed_profile->steps.size());
    // The condition columns follow the three described ones in the grid.
    EXPECT_GT(form->DataGrid1.view()->model()->columnCount(), 3);
    EXPECT_NE(dialog->outcome()->text().toStdString().find("written"), std::string::npos)
        << dialog->outcome()->text().toStdString();

    dialog->set_running(true);
    EXPECT_FALSE(dialog->write_button()->isEnabled());
    EXPECT_FALSE(dialog->run_button()->isEnabled());
    EXPECT_FALSE(dialog->write_button()->toolTip().isEmpty());
    // A figure changed during the run leaves the buttons off.
    set(ProfileFigure::Hours, 2);
    EXPECT_FALSE(can_write());
    dialog->set_running(false);
    EXPECT_TRUE(can_write());
}

} // namespace
} // namespace kelvo::qt::testing
