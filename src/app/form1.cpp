// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/texts.h"

namespace kelvo {

// Each reference is bound to the control of the same name in the bundle.
#define KELVO_BIND_CONTROL(kind, name, role) , name(c.name)
#define KELVO_BIND_SERVICE(kind, name, bundle_name, role) , name(c.bundle_name)
Form1::Form1(const platform::FormControls& c)
    : window(c.window) KELVO_CONTROLS(KELVO_BIND_CONTROL) KELVO_SERVICES(KELVO_BIND_SERVICE) {
    // The same wiring for the Qt window and the test fake.
    Text1.on_change([this] { Text1_Change(); });
    Text2.on_change([this] { Text2_Change(); });
    Combo1.on_click([this] { Combo1_Click(); });
    Combo2.on_click([this] { Combo2_Click(); });
    Combo3.on_click([this] { Combo3_Click(); });
    Combo4.on_click([this] { Combo4_Click(); });
    Combo5.on_click([this] { Combo5_Click(); });
    Slider1.on_change([this] { Slider1_Change(); });
    Slider2.on_change([this] { Slider2_Change(); });
    Command1.on_click([this] { Command1_Click(); });
    Command4.on_click([this] { Command4_Click(); });
    Command5.on_click([this] { Command5_Click(); });
    Timer1.on_tick([this] { Timer1_Timer(); });
    Timer2.on_tick([this] { Timer2_Timer(); });
}
#undef KELVO_BIND_SERVICE
#undef KELVO_BIND_CONTROL

Form1::~Form1() {
    // The send timer ticks on a thread of its own: once this returns, no tick is running
    // and none will start.
    Timer2.on_tick(nullptr);
    Timer1.on_tick(nullptr);
    // No answer may come back to a window model that is gone.
    reports.clear();
    if (report_box_up) {
        report_box_up = false;
        MsgBox.dismiss();
    }
}

namespace {

// Reports waiting behind the box on screen; more go to the monitor only.
constexpr std::size_t kMaxReportsWaiting = 16;

std::string counted_prompt(const std::string& prompt, int count) {
    if (count <= 1) {
        return prompt;
    }
    return texts::fill(texts::kRepeatedReport.en, {prompt, std::to_string(count)});
}

std::string monitor_text(const std::string& text, const std::string& title) {
    return title.empty() ? text : texts::fill(texts::kBoxMonitorLine.en, {title, text});
}

} // namespace

void Form1::watch(platform::Observer* observer) {
    if (observer != nullptr) {
        observers.push_back(observer);
    }
}

void Form1::unwatch(platform::Observer* observer) {
    std::erase(observers, observer);
}

void Form1::report(platform::Severity severity, const std::string& text, const std::string& title) {
    if (severity == platform::Severity::Box) {
        ask(text, title, {}, 0, nullptr);
        return;
    }
    monitor_line(monitor_text(text, title));
}

void Form1::show_message(const std::string& prompt, const std::string& title) {
    report(platform::Severity::Box, prompt, title);
}

void Form1::ask(const std::string& prompt, const std::string& title,
                const std::vector<std::string>& buttons, int default_button,
                std::function<void(int)> on_answer) {
    // Every report is in the monitor too, with its time, whatever becomes of its box.
    monitor_line(monitor_text(prompt, title));
    if (!on_answer) {
        // The same report again (a link that drops every few minutes overnight): one box
        // and a count, not one box each time.
        for (std::size_t i = 0; i < reports.size(); ++i) {
            Report& waiting = reports[i];
            if (!waiting.on_answer && waiting.prompt == prompt && waiting.title == title) {
                ++waiting.count;
                if (i == 0 && report_box_up) {
                    MsgBox.set_prompt(counted_prompt(waiting.prompt, waiting.count));
                }
                return;
            }
        }
        if (reports.size() >= kMaxReportsWaiting) {
            return;
        }
    }
    reports.push_back({prompt, title, buttons, default_button, std::move(on_answer)});
    show_next_report();
}

void Form1::show_next_report() {
    if (report_box_up || reports.empty()) {
        return;
    }
    report_box_up = true;
    const Report& next = reports.front();
    try {
        MsgBox.show(counted_prompt(next.prompt, next.count), next.title, next.buttons,
                    next.default_button, [this](int answer) { report_answered(answer); });
    } catch (...) {
        report_box_up = false;
        reports.pop_front();
        throw;
    }
}

void Form1::report_answered(int answer) {
    if (!report_box_up || reports.empty()) {
        return;
    }
    Report answered = std::move(reports.front());
    reports.pop_front();
    report_box_up = false;
    if (answered.on_answer) {
        answered.on_answer(answer);
    }
    show_next_report();
}

} // namespace kelvo
