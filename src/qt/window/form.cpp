// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/window/form.h"

#include "posix/own_folder.h"
#include "qt/application.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kelvo::qt {

namespace {

const QString kSong = QStringLiteral("宋体");
const QString kHei = QStringLiteral("黑体");
const QString kKai = QStringLiteral("楷体_GB2312");
const QColor kBlueText(0, 0, 255);
const QColor kRedText(255, 0, 0);

// The window's labels draw their text at the top, so a label on the tool strip sits in a
// box that centres it in the strip's height. The strip's action for the box is what
// shows and hides it.
QAction* add_to_strip(QToolBar* strip, QLabel* label, int left_margin) {
    auto* holder = new QWidget(strip);
    auto* column = new QVBoxLayout(holder);
    column->setContentsMargins(left_margin, 0, 16, 0);
    column->addWidget(label, 0, Qt::AlignVCenter);
    label->setFixedHeight(label->fontMetrics().height() + 2);
    return strip->addWidget(holder);
}

} // namespace

// ---- the window ---------------------------------------------------------------------------

MainWindow::MainWindow() {
    setWindowTitle(qtext(texts::kFormCaption));
    // The tool strip along the top, for what the program offers beyond the described
    // window; the controls sit below it.
    strip_ = addToolBar(qtext(texts::kToolbarTitle));
    strip_->setMovable(false);
    strip_->setFloatable(false);
    strip_->setFixedHeight(px_y(675));
    strip_->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setCentralWidget(new QWidget(this));
    statusBar()->setSizeGripEnabled(true);
    resize(px_x(15165), px_y(10380));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (on_close && !on_close()) {
        event->ignore();
        return;
    }
    event->accept();
}

void QtWindow::set_caption(const std::string& text) {
    window_->setWindowTitle(qstr(text));
}

void QtWindow::set_icon(const std::string& path) {
    const auto fail = [&path](const std::string& reason) {
        throw platform::StartupError(texts::fill(texts::kIconFailed.en, {path, reason}));
    };
    if (!QFileInfo::exists(qstr(path))) {
        fail(texts::kFileMissing.en);
    }
    if (const std::string reason = posix::unwaitable_refusal(path); !reason.empty()) {
        fail(reason);
    }
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
    } else {
        fail(posix::system_reason(texts::kFileUnreadable, errno));
    }
    QImageReader reader(qstr(path));
    const QImage first = reader.read();
    if (first.isNull()) {
        fail(texts::fill(texts::kNotAPicture.en, {utf8(reader.errorString())}));
    }
    window_->setWindowIcon(QIcon(qstr(path)));
}

void QtWindow::move(double left, double top) {
    window_->move(px_x(left), px_y(top));
}

void QtWindow::close() {
    // Not from inside the answer's own signal: the box that asked is still being closed.
    QTimer::singleShot(0, window_, [window = window_] { window->close(); });
}

// ---- the form -----------------------------------------------------------------------------

// The members come from the control list; only their construction is written out here,
// since each takes its own container or setting (the rest are made without arguments). The
// compiler holds this list to the members' order.
QtForm::QtForm(const std::string& program_folder)
    : main_(new MainWindow), client_(main_->centralWidget()), window(main_), Frame1(client_),
      Frame2(client_), Label5(client_), Combo3(client_), Label1(Frame1.widget()),
      Label2(Frame1.widget()), Label3(Frame1.widget()), Label4(Frame1.widget()),
      Combo1(Frame2.widget()), Combo2(Frame2.widget()), Text1(Frame2.widget()),
      Text2(Frame2.widget()), Slider1(Frame2.widget()), Slider2(Frame2.widget()),
      Label6(Frame2.widget()), Combo4(Frame2.widget()), Command1(Frame2.widget()),
      Picture1_0(client_), Picture1_1(client_), Text3(client_), DataGrid1(client_), Label7(client_),
      Combo5(client_), Command4(client_), Command5(client_), Timer1(main_, 100), Timer2(1),
      StatusBar1(main_->statusBar()), PeriodReadout(main_->strip()), LimitsReadout(main_->strip()),
      message_box(main_),
      files(program_folder,
            utf8(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))) {
    // The design: places in twips within the container, fonts, text colours. The
    // load step's layout then scales all of it to the screen.
    lay_out_language_and_frames();
    lay_out_readings();
    lay_out_set_frame();
    lay_out_charts_log_and_steps();
    lay_out_status_bar();
    set_focus_order();
    // The grid shows this window's step table and no other.
    DataGrid1.attach(Adodc1);
}

void QtForm::lay_out_language_and_frames() {
    Label5.set_geometry(720, 240, 2175, 495);
    Label5.set_face(kSong, 15.75);
    Label5.set_caption(texts::kLanguageLabel.en);

    Combo3.set_face(kHei, 14.25);
    Combo3.set_text_color(kBlueText);
    Combo3.set_geometry(3120, 240, 2535, std::nullopt);
    Combo3.set_text(texts::kListPlaceholder.en);

    for (QtFrame* frame : {&Frame1, &Frame2}) {
        frame->set_face(kKai, 18);
        frame->set_text_color(kBlueText);
    }
    Frame1.set_geometry(240, 1560, 5655, 1695);
    Frame1.set_caption(texts::kOutFrame.en);
    Frame2.set_geometry(240, 3600, 5655, 7095);
    Frame2.set_caption(texts::kSetFrame.en);
}

void QtForm::lay_out_readings() {
    struct Reading {
        QtLabel& label;
        double left;
        double width;
        double height;
        QColor color;
        const char* caption;
    };
    for (const Reading& r : {Reading{Label1, 360, 615, 495, kRedText, texts::kVoltageLabel.en},
                             Reading{Label2, 960, 1335, 375, kBlueText, "00.00V"},
                             Reading{Label3, 2880, 495, 375, kRedText, texts::kCurrentLabel.en},
                             Reading{Label4, 3600, 1695, 375, kBlueText, "0.000A"}}) {
        r.label.set_face(kSong, 21.75);
        r.label.set_text_color(r.color);
        r.label.set_geometry(r.left, 720, r.width, r.height);
        r.label.set_caption(r.caption);
    }
}

void QtForm::lay_out_set_frame() {
    // The entry fields lie over their preset lists, whose drop-down arrows show beside them.
    for (QtListBox* list : {&Combo1, &Combo2}) {
        list->set_face(kSong, 21.75);
        list->set_text_color(kBlueText);
    }
    Combo1.set_geometry(360, 840, 1935, std::nullopt);
    Combo1.set_text(texts::kListPlaceholder.en);
    Combo2.set_geometry(3240, 840, 1935, std::nullopt);
    Combo2.set_text("0.001A");
    for (QtTextBox* box : {&Text1, &Text2}) {
        box->set_face(kSong, 21.75);
        box->set_text_color(kBlueText);
        box->widget()->raise();
    }
    Text1.set_geometry(360, 840, 1575, 555);
    Text1.widget()->setText(QStringLiteral("00.00V"));
    Text2.set_geometry(3240, 840, 1575, 555);
    Text2.widget()->setText(QStringLiteral("0.000A"));

    Slider1.set_geometry(600, 1680, 600, 3135);
    Slider2.set_geometry(3480, 1680, 600, 3135);
    Slider1.set_vertical();
    Slider2.set_vertical();

    Label6.set_face(kKai, 18);
    Label6.set_text_color(kBlueText);
    Label6.set_centered();
    Label6.set_geometry(2040, 5160, 2895, 375);
    Label6.set_caption(texts::kOverCurrentLabel.en);

    Combo4.set_face(kSong, 10.5);
    Combo4.set_text_color(kBlueText);
    Combo4.set_geometry(3480, 5760, 1935, std::nullopt);
    Combo4.set_text(texts::kListPlaceholder.en);

    Command1.set_face(kSong, 15);
    Command1.set_geometry(360, 5640, 1695, 615);
    Command1.set_caption(texts::kOn.en);
}

void QtForm::lay_out_charts_log_and_steps() {
    // The charts have no font of their own: the default face, at the size the layout sets.
    Picture1_0.set_geometry(6360, 360, 9975, 3015);
    Picture1_1.set_geometry(6360, 3840, 9975, 3135);

    Text3.set_face(QApplication::font().family(), 9);
    Text3.set_geometry(6360, 7440, 9975, 3015);
    Text3.widget()->setPlainText(qtext(texts::kLogPlaceholder));

    DataGrid1.set_face(kSong, 9);
    DataGrid1.set_geometry(17040, 360, 3375, 7935);
    DataGrid1.caption()->setText(qtext(texts::kProductName));

    Label7.set_face(kSong, 10.5);
    Label7.set_geometry(17040, 8880, 975, 375);
    Label7.set_caption(texts::kRunCountLabel.en);

    Combo5.set_face(kSong, 10.5);
    Combo5.set_text_color(kBlueText);
    {
        QPalette palette = Combo5.widget()->palette();
        palette.setColor(QPalette::Base, QApplication::palette().color(QPalette::Window));
        Combo5.widget()->setPalette(palette);
    }
    Combo5.set_geometry(18120, 8760, 1095, std::nullopt);
    Combo5.set_text(texts::kRunUntilStopped.en);

    Command4.set_face(kSong, 15);
    Command4.set_geometry(19440, 8760, 975, 495);
    Command4.set_caption(texts::kRun.en);

    // Clears the monitor; neither is ever shown.
    Command5.set_geometry(1320, 840, 375, 375);
    Command5.set_caption(texts::kHiddenButton.en);
    Command5.widget()->hide();
}

void QtForm::lay_out_status_bar() {
    QFont panel_font = StatusBar1.panel(1)->font();
    panel_font.setFamily(kSong);
    panel_font.setPointSizeF(12);
    for (int panel = 1; panel <= 3; ++panel) {
        StatusBar1.panel(panel)->setFont(panel_font);
    }
    StatusBar1.set_panel_text(1, texts::kWaitStatus.en);
    StatusBar1.set_panel_text(2, texts::kProductName.en);
    StatusBar1.set_panel_text(3, texts::kVersion.en);
    // The period's figures, at the left end of the tool strip.
    // Wide enough for long figures in either language, so that the buttons beside it
    // do not move as the figures grow.
    QLabel* readout = PeriodReadout.widget();
    add_to_strip(main_->strip(), readout, 8);
    // The notice that the supply is not answering comes before the figures: room for it
    // too, so that nothing on the strip moves when the supply falls silent.
    int widest = 0;
    for (const bool english : {true, false}) {
        const std::string longest = std::string(texts::in(english, texts::kSupplyNotAnswering)) +
                                    "   " +
                                    texts::fill(texts::in(english, texts::kPeriodReadout),
                                                {"000:00:00", "000.000 mAh", "000.000 mWh"});
        widest = std::max(widest, readout->fontMetrics().horizontalAdvance(qstr(longest)));
    }
    readout->setMinimumWidth(widest + 24);
    // The limits in force, beside the figures. The strip hides a widget only through its
    // action, and while no limit is set the line takes no room at all: the strip is then
    // exactly as it is without limits.
    QAction* limits_place = add_to_strip(main_->strip(), LimitsReadout.widget(), 0);
    limits_place->setVisible(false);
    LimitsReadout.on_caption(
        [limits_place](const std::string& text) { limits_place->setVisible(!text.empty()); });
}

void QtForm::set_focus_order() {
    // Focus order; the charts come first and take the focus, so that typing at start goes
    // into no field.
    Picture1_0.widget()->setFocusPolicy(Qt::StrongFocus);
    Picture1_1.widget()->setFocusPolicy(Qt::StrongFocus);
    const std::array<QWidget*, 15> order{Picture1_1.widget(), Picture1_0.widget(), Combo1.widget(),
                                         Combo2.widget(),     Slider1.widget(),    Slider2.widget(),
                                         Text1.widget(),      Text2.widget(),      Combo3.widget(),
                                         Command4.widget(),   DataGrid1.view(),    Text3.widget(),
                                         Combo4.widget(),     Command1.widget(),   Combo5.widget()};
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
    }
}

QtForm::~QtForm() {
    // The widgets go before their adapters, so that no widget outlives what it reports to.
    delete main_;
}

platform::FormControls QtForm::controls() {
    return platform::controls_of(*this);
}

void QtForm::show() {
    if (window.maximized()) {
        if (const QScreen* screen_now = main_->screen()) {
            main_->setGeometry(screen_now->availableGeometry());
        }
        main_->showMaximized();
    } else {
        main_->show();
    }
}

} // namespace kelvo::qt
