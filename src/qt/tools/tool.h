// qt/tools/: what every tool of the strip shares: the window model it serves, its texts in
// the language chosen, captions that follow the user's switch of language and, for a
// window, how it is brought up.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/form1.h"
#include "base/texts.h"
#include "platform/observer.h"
#include "qt/application.h"
#include "qt/tools/tools.h"

#include <QAction>
#include <QToolBar>

namespace kelvo::tools {

// Base is the Qt class of the tool: a window (QDialog, QWidget, QMainWindow) or, for a
// button that opens none, QObject. The tool watches the window model from its birth.
template <class Base> class Tool : public Base, public platform::Observer {
public:
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;
    ~Tool() override = default;

    // A window: shown, in front and with the focus; made ready first where it has to be.
    void open_window() {
        about_to_open();
        this->show();
        this->raise();
        this->activateWindow();
    }

    void language_changed(bool /*english*/) override { retranslate(); }

protected:
    Tool(QWidget* parent, Form1& form) : Base(parent), form_(form) { form_.watch(this); }

    // Every caption in the language chosen: once the tool is built, and at each switch.
    virtual void retranslate() = 0;
    // Before the window is shown (the ports looked at again, the list of records, ...).
    virtual void about_to_open() {}

    QString text(const texts::Text& key) const { return qt::qtext(form_.english_mode, key); }

    Form1& form_;
};

// A button on the strip, named for tests, and the window it opens, made at once and kept
// for the program's life (a closed window is only hidden).
template <class Window> void add_window_tool(const ToolContext& context, const char* name) {
    QAction* button = context.strip->addAction(QString());
    button->setObjectName(QString::fromLatin1(name));
    auto* window = new Window(context.main_window, context.form, button);
    QObject::connect(button, &QAction::triggered, window, [window] { window->open_window(); });
}

} // namespace kelvo::tools
