// qt/tools/: the Steps button of the tool strip: import and export of CSV files, the ramp,
// the test profiles.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/tools/step_tools.h"
#include "posix/own_folder.h"
#include "posix/record_io.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace kelvo::tools {

namespace {

// Far above a full table (32767 steps of some 20 characters), far below trouble.
constexpr qint64 kLargestFileMb = 8;
enum Answer { kAppend, kReplace, kCancel };

// Why a file was refused, one line each; it stays open beside the window.
class ProblemList final : public Tool<QDialog> {
public:
    ProblemList(QWidget* parent, Form1& form)
        : Tool(parent, form), heading_(new QLabel(this)), list_(new QListWidget(this)),
          close_(new QPushButton(this)) {
        setModal(false);
        heading_->setWordWrap(true);
        auto* buttons = new QDialogButtonBox(this);
        buttons->addButton(close_, QDialogButtonBox::RejectRole);
        connect(close_, &QPushButton::clicked, this, &QDialog::close);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(heading_);
        layout->addWidget(list_);
        layout->addWidget(buttons);
        resize(560, 320);
    }
    void show_problems(const QString& path, const QStringList& problems) {
        path_ = path;
        list_->clear();
        list_->addItems(problems);
        retranslate();
        open_window();
    }
    QListWidget* list() const { return list_; }

private:
    void retranslate() override {
        setWindowTitle(text(texts::kProblemsTitle));
        heading_->setText(text(texts::kProblemsHeading).arg(path_));
        close_->setText(text(texts::kProblemsClose));
    }

    QLabel* heading_;
    QListWidget* list_;
    QPushButton* close_;
    QString path_;
};

class StepTools final : public Tool<QObject> {
public:
    explicit StepTools(const ToolContext& context);
    void program_changed(bool /*running*/) override { follow_program(); }

private:
    void retranslate() override;
    void follow_program();
    void choose_import();
    void choose_export();
    void import_file(const QString& path);
    QFileDialog* file_dialog(const texts::Text& title, QFileDialog::AcceptMode mode);

    QWidget* window_;
    QToolButton* button_;
    QMenu* menu_;
    QAction* import_;
    QAction* export_;
    QAction* ramp_;
    QAction* profile_;
    RampDialog* ramp_dialog_ = nullptr;
    ProfileDialog* profile_dialog_ = nullptr;
    ProblemList* problems_ = nullptr;
    bool running_ = false;
};

StepTools::StepTools(const ToolContext& context)
    : Tool(context.main_window, context.form), window_(context.main_window),
      button_(new QToolButton(context.strip)), menu_(new QMenu(button_)),
      import_(menu_->addAction(QString())), export_(menu_->addAction(QString())),
      ramp_(menu_->addAction(QString())), profile_(menu_->addAction(QString())) {
    button_->setMenu(menu_);
    button_->setPopupMode(QToolButton::InstantPopup);
    button_->setObjectName(QStringLiteral("StepsTool"));
    context.strip->addWidget(button_);
    connect(import_, &QAction::triggered, this, [this] { choose_import(); });
    connect(export_, &QAction::triggered, this, [this] { choose_export(); });
    connect(ramp_, &QAction::triggered, this, [this] {
        if (ramp_dialog_ == nullptr) {
            ramp_dialog_ = new RampDialog(window_, form_);
            ramp_dialog_->set_running(running_);
        }
        ramp_dialog_->open_window();
    });
    connect(profile_, &QAction::triggered, this, [this] {
        if (profile_dialog_ == nullptr) {
            profile_dialog_ = new ProfileDialog(window_, form_);
            profile_dialog_->setObjectName(QStringLiteral("ProfileDialog"));
            profile_dialog_->set_running(running_);
        }
        profile_dialog_->open_window();
    });
    retranslate();
}

void StepTools::follow_program() {
    if (running_ == form_.program_running) {
        return;
    }
    running_ = form_.program_running;
    import_->setEnabled(!running_);
    ramp_->setEnabled(!running_);
    profile_->setEnabled(!running_);
    button_->setToolTip(running_ ? text(texts::kStepsWhileRunning) : QString());
    if (ramp_dialog_ != nullptr) {
        ramp_dialog_->set_running(running_);
    }
    if (profile_dialog_ != nullptr) {
        profile_dialog_->set_running(running_);
    }
}

void StepTools::retranslate() {
    button_->setText(text(texts::kStepsButton));
    import_->setText(text(texts::kImportItem));
    export_->setText(text(texts::kExportItem));
    ramp_->setText(text(texts::kRampItem));
    profile_->setText(text(texts::kProfileItem));
    running_ = !form_.program_running; // the tooltip in the new language
    follow_program();
}

QFileDialog* StepTools::file_dialog(const texts::Text& title, QFileDialog::AcceptMode mode) {
    // Opened, not run: the window's timers go on while the user looks for a file.
    auto* dialog = new QFileDialog(window_, text(title), QString(), text(texts::kCsvFilter));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(mode);
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                        : QFileDialog::ExistingFile);
    return dialog;
}

void StepTools::choose_import() {
    QFileDialog* dialog = file_dialog(texts::kImportTitle, QFileDialog::AcceptOpen);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString& path) { import_file(path); });
    dialog->open();
}

void StepTools::import_file(const QString& path) {
    StepFileRead read = read_step_file(path, form_.english_mode);
    if (!read.problems.isEmpty()) {
        if (problems_ == nullptr) {
            problems_ = new ProblemList(window_, form_);
        }
        problems_->show_problems(path, read.problems);
        return;
    }
    const std::string question = texts::fill(form_.text(texts::kImportQuestion),
                                             {qt::utf8(path), std::to_string(read.steps.size()),
                                              std::to_string(form_.Adodc1.record_count())});
    form_.ask(question, form_.text(texts::kImportTitle),
              {form_.text(texts::kImportAppend), form_.text(texts::kImportReplace),
               form_.text(texts::kImportCancel)},
              kCancel, [this, path, steps = std::move(read.steps)](int answer) {
                  if (answer != kCancel && form_.apply_steps(steps, answer == kReplace)) {
                      form_.report(platform::Severity::Note,
                                   texts::fill(form_.text(texts::kImported),
                                               {std::to_string(steps.size()), qt::utf8(path)}),
                                   {});
                  }
              });
}

void StepTools::choose_export() {
    QFileDialog* dialog = file_dialog(texts::kExportTitle, QFileDialog::AcceptSave);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        const QString failure = write_step_file(form_, path);
        if (!failure.isEmpty()) {
            form_.report(
                platform::Severity::Box,
                texts::fill(form_.text(texts::kNotExported), {qt::utf8(path), qt::utf8(failure)}),
                form_.text(texts::kExportTitle));
        }
    });
    dialog->open();
}

} // namespace

StepFileRead read_step_file(const QString& path, bool english) {
    StepFileRead read;
    // A FIFO or a device picked in the dialog would hold the open, and the window with it.
    if (const std::string why = posix::unwaitable_refusal(qt::utf8(path)); !why.empty()) {
        read.problems << qt::qtext(english, texts::kFileNotRead).arg(QString::fromStdString(why));
        return read;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.problems << qt::qtext(english, texts::kFileNotRead).arg(file.errorString());
        return read;
    }
    if (file.size() > kLargestFileMb * 1024 * 1024) {
        read.problems << qt::qtext(english, texts::kFileTooLarge).arg(kLargestFileMb);
        return read;
    }
    const QByteArray bytes = file.read(kLargestFileMb * 1024 * 1024 + 1);
    if (file.error() != QFileDevice::NoError) {
        read.problems << qt::qtext(english, texts::kFileNotRead).arg(file.errorString());
        return read;
    }
    StepFile parsed = parse_step_csv(std::string_view(bytes.constData(), bytes.size()));
    for (const StepProblem& problem : parsed.problems) {
        read.problems << qt::qstr(describe(problem, english));
    }
    const int unlisted = parsed.problem_lines - static_cast<int>(parsed.problems.size());
    if (unlisted > 0) {
        read.problems << qt::qtext(english, texts::kMoreProblems).arg(unlisted);
    }
    read.steps = std::move(parsed.steps);
    return read;
}

QString write_step_file(Form1& form, const QString& path) {
    const auto rows = form.read_steps();
    const std::string text = step_csv(rows);
    // Written as the records' CSV is: whole or not at all, in place of what was there.
    if (const std::string why = posix::write_replacing(
            qt::utf8(path),
            [&text](std::ostream& out) {
                out.write(text.data(), static_cast<std::streamsize>(text.size()));
                return static_cast<bool>(out);
            });
        !why.empty()) {
        return QString::fromStdString(why);
    }
    form.report(
        platform::Severity::Note,
        texts::fill(form.text(texts::kExported), {std::to_string(rows.size()), qt::utf8(path)}),
        {});
    return {};
}

void add_step_tools(const ToolContext& context) {
    new StepTools(context);
}

} // namespace kelvo::tools
