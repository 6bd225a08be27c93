// qt/window/: the main window with all its controls, handed to Form1 as FormControls.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/form_controls.h"
#include "posix/files.h"
#include "qt/serial/serial.h"
#include "qt/steps/step_grid.h"
#include "qt/steps/step_store.h"
#include "qt/widgets/picture.h"
#include "qt/widgets/thread_timer.h"
#include "qt/widgets/widgets.h"
#include "qt/window/window_services.h"

#include <QMainWindow>
#include <QToolBar>

#include <functional>
#include <string>

namespace kelvo::qt {

// The Qt type of each kind in the control list.
namespace kinds {
using Label = QtLabel;
using Frame = QtFrame;
using TextBox = QtTextBox;
using LogBox = QtLogBox;
using ListBox = QtListBox;
using Slider = QtSlider;
using Button = QtButton;
using Chart = QtPictureBox;
using Monitor = MonitorBox;
using Timer = QtTimer;
using SendTimer = QtThreadTimer;
using StatusBar = QtStatusBar;
using Grid = QtGrid;
using RecordSet = QtRecordSet;
using SerialPort = QtSerialPort;
using Screen = QtScreen;
using Clock = QtClock;
using MessageBox = QtMessageBox;
using FileSystem = posix::StdFileSystem;
} // namespace kinds

class MainWindow final : public QMainWindow {
public:
    MainWindow();
    // Runs when the window is to close; false keeps it open.
    std::function<bool()> on_close;
    QToolBar* strip() const { return strip_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QToolBar* strip_ = nullptr;
};

class QtWindow final : public platform::Window {
public:
    explicit QtWindow(MainWindow* window) : window_(window) {}
    void set_caption(const std::string& text) override;
    void set_border_sizable() override {}
    void set_icon(const std::string& path) override;
    void move(double left, double top) override;
    // Only noted: the window is shown once the load step is done.
    void set_maximized() override { maximized_ = true; }
    void close() override;
    bool maximized() const { return maximized_; }

private:
    MainWindow* window_;
    bool maximized_ = false;
};

class QtForm {
public:
    explicit QtForm(const std::string& program_folder);
    ~QtForm();
    QtForm(const QtForm&) = delete;
    QtForm& operator=(const QtForm&) = delete;

    platform::FormControls controls();
    MainWindow& main_window() { return *main_; }
    QWidget& client() { return *client_; }
    // Shows the window as the load step left it: maximized over the available screen
    // area (a display without a window manager ignores the maximize wish by itself).
    void show();

private:
    void lay_out_design();
    void colour_texts();
    void finish_controls();
    void lay_out_status_bar();
    void set_focus_order();

    MainWindow* main_;
    QWidget* client_;

public:
    // In the order of the control list, which is the order the widgets are created in.
    QtWindow window;
#define KELVO_QT_CONTROL(kind, name, role) kinds::kind name;
    KELVO_CONTROLS(KELVO_QT_CONTROL)
#undef KELVO_QT_CONTROL
#define KELVO_QT_SERVICE(kind, model_name, name, role) kinds::kind name;
    KELVO_SERVICES(KELVO_QT_SERVICE)
#undef KELVO_QT_SERVICE
};

} // namespace kelvo::qt
