// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/tools/history_window.h"
#include "qt/tools/tool.h"

#include <QPointer>

namespace kelvo::tools {

namespace {

// The strip's button; the window is made at the first click and then kept, hidden when
// closed, so that it hears nothing and costs nothing until it is wanted.
class HistoryTool final : public Tool<QObject> {
public:
    explicit HistoryTool(const ToolContext& context)
        : Tool(context.main_window, context.form), parent_(context.main_window) {
        action_ = context.strip->addAction(text(texts::kHistoryButton));
        action_->setObjectName(QStringLiteral("HistoryButton"));
        connect(action_, &QAction::triggered, this, &HistoryTool::open);
    }

private:
    void retranslate() override { action_->setText(text(texts::kHistoryButton)); }

    void open() {
        if (!window_) {
            window_ = new HistoryWindow(form_, parent_);
            window_->setObjectName(QStringLiteral("HistoryWindow"));
        }
        window_->open_window();
    }

    QWidget* parent_;
    QAction* action_ = nullptr;
    QPointer<HistoryWindow> window_;
};

} // namespace

void add_history_tool(const ToolContext& context) {
    new HistoryTool(context);
}

} // namespace kelvo::tools
