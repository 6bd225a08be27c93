// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/texts.h"
#include "qt/tools/history_window.h"
#include "qt/tools/tools.h"

#include <QAction>
#include <QPointer>
#include <QToolBar>

namespace kelvo::tools {

namespace {

// The strip's button; the window is made at the first click and then kept, hidden when
// closed, so that it hears nothing and costs nothing until it is wanted.
class HistoryTool : public QObject, public platform::Observer {
public:
    HistoryTool(const ToolContext& context)
        : QObject(context.main_window), form_(context.form), parent_(context.main_window) {
        action_ = context.strip->addAction(QString::fromUtf8(form_.text(texts::kHistoryButton)));
        action_->setObjectName(QStringLiteral("HistoryButton"));
        connect(action_, &QAction::triggered, this, &HistoryTool::open);
        form_.watch(this);
    }

    void language_changed(bool /*english*/) override {
        action_->setText(QString::fromUtf8(form_.text(texts::kHistoryButton)));
    }

private:
    void open() {
        if (!window_) {
            window_ = new HistoryWindow(form_, parent_);
            window_->setObjectName(QStringLiteral("HistoryWindow"));
        }
        window_->refresh_records();
        window_->show();
        window_->raise();
        window_->activateWindow();
    }

    Form1& form_;
    QWidget* parent_;
    QAction* action_ = nullptr;
    QPointer<HistoryWindow> window_;
};

} // namespace

void add_history_tool(const ToolContext& context) {
    new HistoryTool(context);
}

} // namespace kelvo::tools
