// The program: the Qt window, Form1 on its controls, and the event loop.
#include "app/form1.h"
#include "platform/qt/application.h"
#include "platform/qt/form.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

#include <exception>
#include <iostream>
#include <memory>

int main(int argc, char** argv) {
    // Qt's own event loop wakes at about four fifths of the cost of the GLib one, and
    // nothing here needs GLib's loop.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) {
        qputenv("QT_NO_GLIB", "1");
    }
    QApplication application(argc, argv);
    kelvo::qt::prepare_application();

    auto form =
        std::make_unique<kelvo::qt::QtForm>(QCoreApplication::applicationDirPath().toStdString());
    auto logic = std::make_unique<kelvo::Form1>(form->controls());
    form->main_window().on_close = [&logic] {
        if (!logic) {
            return true;
        }
        if (!logic->Form_QueryUnload()) {
            return false;
        }
        logic->Form_Unload();
        return true;
    };

    try {
        logic->Form_Load();
    } catch (const std::exception& error) {
        // Nothing half-built stays on screen and no timer ticks into a broken window.
        form->main_window().on_close = nullptr;
        logic.reset();
        form.reset();
        std::cerr << "kelvo: cannot start: " << error.what() << std::endl;
        // Nobody could see or answer a box on the offscreen platform.
        if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
            QMessageBox::critical(nullptr, QStringLiteral("KELVO"),
                                  QStringLiteral("KELVO cannot start:\n%1")
                                      .arg(QString::fromStdString(error.what())));
        }
        return 1;
    }

    form->show();
    const int code = QApplication::exec();
    form->main_window().on_close = nullptr;
    logic.reset();
    form.reset();
    return code;
}
