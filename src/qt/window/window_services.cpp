// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/window/window_services.h"
#include "qt/application.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <chrono>

#include <algorithm>

namespace kelvo::qt {

// ---- screen -------------------------------------------------------------------------------

namespace {

QSize screen_pixels() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->size() : QSize(1440, 900);
}

} // namespace

double QtScreen::width_twips() const {
    return screen_pixels().width() * twips_per_px_x();
}
double QtScreen::height_twips() const {
    return screen_pixels().height() * twips_per_px_y();
}
double QtScreen::twips_per_pixel_x() const {
    return twips_per_px_x();
}
double QtScreen::twips_per_pixel_y() const {
    return twips_per_px_y();
}

// ---- clock --------------------------------------------------------------------------------

QString without_time_zone(const QString& format) {
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            result += c;
            continue;
        }
        if (quoted || c != QLatin1Char('t')) {
            result += c;
            continue;
        }
        // The time-zone token and the blanks that set it apart.
        while (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('t')) {
            ++i;
        }
        const bool at_start = result.trimmed().isEmpty();
        while (!result.isEmpty() && result.back().isSpace()) {
            result.chop(1);
        }
        if (at_start) {
            while (i + 1 < format.size() && format.at(i + 1).isSpace()) {
                ++i;
            }
        }
    }
    return result;
}

DateTime QtClock::now() const {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

std::string QtClock::time_text(const DateTime& moment) const {
    const QLocale locale = QLocale::system();
    const QTime time(moment.hour, moment.minute, moment.second);
    return utf8(locale.toString(time, without_time_zone(locale.timeFormat(QLocale::LongFormat))));
}

Moment QtClock::precise_now() const {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    return {{date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()},
            time.msec(),
            now.offsetFromUtc() / 60};
}

double QtClock::steady_seconds() const {
    using std::chrono::steady_clock;
    return std::chrono::duration<double>(steady_clock::now().time_since_epoch()).count();
}

// ---- message boxes ------------------------------------------------------------------------

QtMessageBox::~QtMessageBox() {
    dismiss();
}

void QtMessageBox::show(const std::string& prompt, const std::string& title,
                        const std::vector<std::string>& buttons, int default_button,
                        std::function<void(int)> on_answer) {
    dismiss();
    auto* box = new QMessageBox(QMessageBox::NoIcon,
                                title.empty() ? qtext(texts::kProductName) : qstr(title),
                                qstr(prompt), QMessageBox::NoButton, parent_);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    std::vector<QAbstractButton*> added;
    if (buttons.empty()) {
        added.push_back(box->addButton(QMessageBox::Ok));
    } else {
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            // The last of several is the way back (Escape, the title bar's close).
            const auto role = buttons.size() > 1 && i + 1 == buttons.size()
                                  ? QMessageBox::RejectRole
                                  : QMessageBox::AcceptRole;
            added.push_back(box->addButton(qstr(buttons[i]), role));
        }
    }
    const bool known = default_button >= 0 && default_button < static_cast<int>(added.size());
    box->setDefaultButton(
        static_cast<QPushButton*>(added.at(known ? static_cast<std::size_t>(default_button) : 0)));
    box->setEscapeButton(added.back());
    QObject::connect(
        box, &QMessageBox::finished, box, [this, box, added, on_answer = std::move(on_answer)] {
            const auto it = std::find(added.begin(), added.end(), box->clickedButton());
            const int answer = it == added.end() ? static_cast<int>(added.size()) - 1
                                                 : static_cast<int>(it - added.begin());
            if (box_ == box) {
                box_ = nullptr;
            }
            if (on_answer) {
                on_answer(answer);
            }
        });
    box_ = box;
    // Not modal: the output switch stays within reach while a box waits for its answer,
    // and the timers and the serial port go on. The box stays above the window.
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void QtMessageBox::set_prompt(const std::string& prompt) {
    if (box_) {
        box_->setText(qstr(prompt));
    }
}

void QtMessageBox::dismiss() {
    if (QMessageBox* box = box_) {
        box_ = nullptr;
        // Gone without an answer: nobody is left to hear it.
        QObject::disconnect(box, &QMessageBox::finished, nullptr, nullptr);
        box->hide();
        box->deleteLater();
    }
}

} // namespace kelvo::qt
