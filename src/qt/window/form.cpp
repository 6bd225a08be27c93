// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/window/form.h"

#include "layout/design_table.h"
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
#include <concepts>
#include <cstdio>
#include <cstring>

namespace kelvo::qt {

namespace {

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

QString qview(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString family(const layout::Font& font) {
    return font.face.empty() ? QApplication::font().family() : qview(font.face);
}

// The first caption or text of each kind of control, as the design has it. Set on the
// widget where setting it through the control would report a change nobody made.
void show_design(QtLabel& label, std::string_view caption) {
    label.set_caption(std::string(caption));
}
void show_design(QtFrame& frame, std::string_view caption) {
    frame.set_caption(std::string(caption));
}
void show_design(QtButton& button, std::string_view caption) {
    button.set_caption(std::string(caption));
}
void show_design(QtListBox& list, std::string_view text) {
    list.set_text(std::string(text));
}
void show_design(QtTextBox& box, std::string_view text) {
    box.widget()->setText(qview(text));
}
void show_design(QtLogBox& log, std::string_view text) {
    log.widget()->setPlainText(qview(text));
}
void show_design(QtGrid& grid, std::string_view caption) {
    grid.caption()->setText(qview(caption));
}
// Sliders and charts show no text.
template <class Control> void show_design(Control& /*control*/, std::string_view /*caption*/) {}

// A control the design table can place: a widget with a face of its own.
template <class Control>
concept Designed = requires(Control& control, const QString& face) {
    control.set_face(face, 9.0);
    control.set_geometry(0.0, 0.0, 0.0, std::optional<double>());
};

// Only a designed control has a row: the table is held to that below, when built.
template <class Control> void apply_design(Control& control, const layout::Design& row) {
    if constexpr (Designed<Control>) {
        if (row.font) {
            control.set_face(family(*row.font), row.font->size);
        }
        control.set_geometry(row.designed.left, row.designed.top, row.designed.width,
                             row.designed.height);
        show_design(control, row.caption);
    }
}

constexpr bool designed(std::string_view name) {
#define KELVO_DESIGNED(kind, control, role)                                                        \
    if (name == #control) {                                                                        \
        return Designed<kinds::kind>;                                                              \
    }
    KELVO_CONTROLS(KELVO_DESIGNED)
#undef KELVO_DESIGNED
    return false;
}

static_assert(std::ranges::all_of(layout::kDesign,
                                  [](const layout::Design& row) { return designed(row.control); }),
              "every row of the design table names a control the window can place");

} // namespace

// ---- the window ---------------------------------------------------------------------------

MainWindow::MainWindow() {
    setWindowTitle(qtext(texts::kFormCaption));
    // The tool strip along the top, for what the program offers beyond the described
    // window; the controls sit below it.
    strip_ = addToolBar(qtext(texts::kToolbarTitle));
    strip_->setMovable(false);
    strip_->setFloatable(false);
    strip_->setFixedHeight(px_y(layout::kToolStripHeight));
    strip_->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setCentralWidget(new QWidget(this));
    statusBar()->setSizeGripEnabled(true);
    resize(px_x(layout::kClientWidth), px_y(layout::kClientHeight));
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
    // The design: places in twips within the container, faces and first captions from the
    // design table, then what is each control's own. The load step's layout then scales
    // the places and sizes to the screen.
    lay_out_design();
    colour_texts();
    finish_controls();
    lay_out_status_bar();
    set_focus_order();
    // The grid shows this window's step table and no other.
    DataGrid1.attach(Adodc1);
}

void QtForm::lay_out_design() {
    for (const layout::Design& row : layout::kDesign) {
#define KELVO_QT_DESIGN(kind, name, role)                                                          \
    if (row.control == #name) {                                                                    \
        apply_design(name, row);                                                                   \
    }
        KELVO_CONTROLS(KELVO_QT_DESIGN)
#undef KELVO_QT_DESIGN
    }
}

void QtForm::colour_texts() {
    for (QtFrame* frame : {&Frame1, &Frame2}) {
        frame->set_text_color(kBlueText);
    }
    Label1.set_text_color(kRedText);
    Label3.set_text_color(kRedText);
    Label2.set_text_color(kBlueText);
    Label4.set_text_color(kBlueText);
    Label6.set_text_color(kBlueText);
    for (QtListBox* list : {&Combo1, &Combo2, &Combo3, &Combo4, &Combo5}) {
        list->set_text_color(kBlueText);
    }
    Text1.set_text_color(kBlueText);
    Text2.set_text_color(kBlueText);
    // The run count list lies on the window's own colour.
    QPalette palette = Combo5.widget()->palette();
    palette.setColor(QPalette::Base, QApplication::palette().color(QPalette::Window));
    Combo5.widget()->setPalette(palette);
}

void QtForm::finish_controls() {
    // The entry fields lie over their preset lists, whose drop-down arrows show beside them.
    Text1.widget()->raise();
    Text2.widget()->raise();
    Slider1.set_vertical();
    Slider2.set_vertical();
    Label6.set_centered();
    // Clears the monitor; neither is ever shown.
    Command5.widget()->hide();
}

void QtForm::lay_out_status_bar() {
    QFont panel_font = StatusBar1.panel(1)->font();
    panel_font.setFamily(family(layout::kStatusFont));
    panel_font.setPointSizeF(layout::kStatusFont.size);
    for (int panel = 1; panel <= 3; ++panel) {
        StatusBar1.panel(panel)->setFont(panel_font);
        StatusBar1.set_panel_text(
            panel, std::string(layout::kStatusPanels.at(static_cast<std::size_t>(panel - 1))));
    }
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
