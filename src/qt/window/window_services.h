// qt/window/: the screen, the clock, message boxes and the program's files.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"

#include <QMessageBox>
#include <QPointer>
#include <QString>

class QWidget;

namespace kelvo::qt {

class QtScreen final : public platform::Screen {
public:
    double width_twips() const override;
    double height_twips() const override;
    double twips_per_pixel_x() const override;
    double twips_per_pixel_y() const override;
};

// A locale's time format without its time-zone part ("h:mm:ss AP t" gives "h:mm:ss AP").
QString without_time_zone(const QString& format);

class QtClock final : public platform::Clock {
public:
    DateTime now() const override;
    std::string time_text(const DateTime& moment) const override;
    double steady_seconds() const override;
    Moment precise_now() const override;
};

// A box over the window that does not stop the program: shown, and answered later.
class QtMessageBox final : public platform::MessageBox {
public:
    explicit QtMessageBox(QWidget* parent) : parent_(parent) {}
    ~QtMessageBox() override;
    QtMessageBox(const QtMessageBox&) = delete;
    QtMessageBox& operator=(const QtMessageBox&) = delete;
    void show(const std::string& prompt, const std::string& title,
              const std::vector<std::string>& buttons, int default_button,
              std::function<void(int)> on_answer) override;
    void set_prompt(const std::string& prompt) override;
    void dismiss() override;
    // The box on screen, for tests.
    QMessageBox* box() const { return box_; }

private:
    QWidget* parent_;
    QPointer<QMessageBox> box_;
};

} // namespace kelvo::qt
