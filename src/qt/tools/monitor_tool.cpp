// The monitor window: the communication with the supply as it happens, one time-stamped line
// for each change of the command frame, each reply, each event of the port and each remote
// client's coming, going and change.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/tools/tool.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTime>
#include <QVBoxLayout>
#include <QWidget>

namespace kelvo::tools {

namespace {

// The newest lines kept on screen: a day of replies would otherwise grow without end.
constexpr int kMonitorLines = 5000;

class MonitorWindow final : public Tool<QWidget> {
public:
    MonitorWindow(QWidget* parent, Form1& form, QAction* button)
        : Tool(parent, form), button_(button) {
        setWindowFlag(Qt::Window);
        setObjectName(QStringLiteral("monitorWindow"));
        build();
        retranslate();
    }

    // While the window is closed nothing is kept: it shows what happens while it is open.
    void frame_changed(const std::string& frame) override {
        if (isVisible()) {
            add(texts::fill(form_.text(texts::kMonitorFrame), {frame}));
        }
    }
    void reply(const std::string& frame, double volts, double amps, bool over_current) override {
        if (isVisible()) {
            add(texts::fill(form_.text(texts::kMonitorReply),
                            {frame, QString::number(volts, 'f', 2).toStdString(),
                             QString::number(amps, 'f', 3).toStdString(),
                             over_current ? form_.text(texts::kMonitorOverCurrent) : ""}));
        }
    }
    void link_event(const std::string& text) override {
        if (isVisible()) {
            add(texts::fill(form_.text(texts::kMonitorLink), {text}));
        }
    }
    void remote_event(const std::string& text) override {
        if (isVisible()) {
            add(texts::fill(form_.text(texts::kMonitorRemote), {text}));
        }
    }

private:
    void build();
    void retranslate() override;
    void add(const std::string& line);
    void toggle_pause();
    void show_held_back();

    QAction* button_; // on the tool strip
    QPlainTextEdit* lines_ = nullptr;
    QLabel* held_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* close_ = nullptr;
    bool paused_ = false;
    long skipped_ = 0;
};

void MonitorWindow::build() {
    lines_ = new QPlainTextEdit(this);
    lines_->setObjectName(QStringLiteral("monitorLines"));
    lines_->setReadOnly(true);
    lines_->setMaximumBlockCount(kMonitorLines);
    lines_->setLineWrapMode(QPlainTextEdit::NoWrap);
    lines_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    held_ = new QLabel(this);
    pause_ = new QPushButton(this);
    pause_->setObjectName(QStringLiteral("monitorPause"));
    clear_ = new QPushButton(this);
    close_ = new QPushButton(this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pause_);
    buttons->addWidget(clear_);
    buttons->addWidget(held_, 1);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lines_);
    layout->addLayout(buttons);
    connect(pause_, &QPushButton::clicked, this, [this] { toggle_pause(); });
    connect(clear_, &QPushButton::clicked, lines_, &QPlainTextEdit::clear);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    resize(760, 480);
}

void MonitorWindow::retranslate() {
    button_->setText(text(texts::kMonitorTool));
    setWindowTitle(text(texts::kMonitorTitle));
    pause_->setText(text(paused_ ? texts::kResume : texts::kPause));
    clear_->setText(text(texts::kClear));
    close_->setText(text(texts::kClose));
    show_held_back();
}

void MonitorWindow::add(const std::string& line) {
    // While paused the lines are only counted: what is on screen stays still to be read.
    if (paused_) {
        ++skipped_;
        show_held_back();
        return;
    }
    lines_->appendPlainText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz  ")) +
                            QString::fromStdString(line));
}

void MonitorWindow::toggle_pause() {
    paused_ = !paused_;
    if (!paused_ && skipped_ > 0) {
        const long skipped = skipped_;
        skipped_ = 0;
        add(texts::fill(form_.text(texts::kMonitorSkipped), {std::to_string(skipped)}));
    }
    retranslate();
}

void MonitorWindow::show_held_back() {
    held_->setText(paused_ ? QString::fromStdString(texts::fill(form_.text(texts::kMonitorPaused),
                                                                {std::to_string(skipped_)}))
                           : QString());
}

} // namespace

void add_monitor_tool(const ToolContext& context) {
    add_window_tool<MonitorWindow>(context, "monitorTool");
}

} // namespace kelvo::tools
