// platform/qt/: the main window with all its controls, handed to Form1 as FormControls.
#pragma once

#include "platform/form_controls.h"
#include "platform/qt/files.h"
#include "platform/qt/picture.h"
#include "platform/qt/serial.h"
#include "platform/qt/services.h"
#include "platform/qt/step_grid.h"
#include "platform/qt/step_store.h"
#include "platform/qt/thread_timer.h"
#include "platform/qt/widgets.h"

#include <QMainWindow>

#include <functional>
#include <string>

namespace kelvo::qt {

class MainWindow final : public QMainWindow {
public:
    MainWindow();
    // Runs when the window is to close; false keeps it open.
    std::function<bool()> on_close;

protected:
    void closeEvent(QCloseEvent* event) override;
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
    void lay_out_language_and_frames();
    void lay_out_readings();
    void lay_out_set_frame();
    void lay_out_charts_log_and_steps();
    void lay_out_status_bar();
    void set_focus_order();

    MainWindow* main_;
    QWidget* client_;

public:
    QtWindow window;
    QtFrame Frame1;
    QtFrame Frame2;
    QtLabel Label5;
    QtListBox Combo3;
    QtLabel Label1;
    QtLabel Label2;
    QtLabel Label3;
    QtLabel Label4;
    QtListBox Combo1;
    QtListBox Combo2;
    QtTextBox Text1;
    QtTextBox Text2;
    QtSlider Slider1;
    QtSlider Slider2;
    QtLabel Label6;
    QtListBox Combo4;
    QtButton Command1;
    QtPictureBox Picture1_0;
    QtPictureBox Picture1_1;
    QtLogBox Text3;
    QtGrid DataGrid1;
    QtLabel Label7;
    QtListBox Combo5;
    QtButton Command4;
    QtButton Command5;
    MonitorBox Picture2;
    QtTimer Timer1;
    QtThreadTimer Timer2;
    QtStatusBar StatusBar1;
    QtRecordSet Adodc1;
    QtSerialPort MSComm1;
    QtScreen screen;
    QtClock clock;
    QtMessageBox message_box;
    StdFileSystem files;
};

} // namespace kelvo::qt
