// The port the user chose instead of the search, and what the link tells of itself: the
// extra windows hear each event once, the status bar notes a refused port once.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/limits.h"
#include "base/texts.h"

namespace kelvo {

std::string Form1::port_label(const texts::Text& key, int number) const {
    std::string device = MSComm1.device_path(number);
    if (device.empty()) {
        device = text(texts::kNoDevice);
    }
    return texts::fill(text(key), {std::to_string(number), device});
}

bool Form1::pin_port(int number) {
    if (number < 0 || number > limits::kPortCount) {
        return false;
    }
    const bool leaves_open_port = port_ready && number != 0 && number != port_number;
    if (leaves_open_port && output_on) {
        return false;
    }
    pinned_port = static_cast<std::int16_t>(number);
    pinned_result = -1;
    if (leaves_open_port) {
        {
            const std::lock_guard<std::mutex> lock(send_mutex);
            MSComm1.close();
        }
        // Nothing is known of the port chosen until it answers.
        port_ready = false;
        device_connected = false;
        voltage_reading = "0000";
        current_reading = "0000";
    }
    last_scan_event.clear();
    tell_link_event(number == 0 ? std::string(text(texts::kLinkSearch))
                                : port_label(texts::kLinkPinned, number));
    return true;
}

void Form1::connect_pinned_port() {
    platform::OpenResult result = platform::OpenResult::Failed;
    {
        const std::lock_guard<std::mutex> lock(send_mutex);
        if (MSComm1.is_open()) {
            MSComm1.close();
        }
        MSComm1.set_port_number(pinned_port);
        result = MSComm1.open();
        if (result != platform::OpenResult::Opened) {
            MSComm1.close();
        }
    }
    if (result == platform::OpenResult::Opened) {
        pinned_result = -1;
        port_opened(pinned_port);
        return;
    }
    // Tried again on every tick, as the search would be; told only when the answer changes.
    if (static_cast<int>(result) == pinned_result) {
        return;
    }
    pinned_result = static_cast<int>(result);
    const bool refused = result == platform::OpenResult::PermissionDenied;
    if (refused) {
        port_refused(pinned_port);
    }
    const std::string line =
        port_label(refused ? texts::kLinkRefused : texts::kLinkCannotOpen, pinned_port);
    monitor_line(line);
    tell_link_event(line);
}

void Form1::port_refused(int number) {
    const auto i = static_cast<std::size_t>(number);
    if (number < 1 || number > limits::kPortCount || permission_noted[i]) {
        return;
    }
    // The status bar is written every second: the note holds its panel for a while, which
    // refresh_captions respects.
    permission_noted[i] = true;
    status_note_port = number;
    status_note_until = Clock.steady_seconds() + limits::kStatusNoteSeconds;
    StatusBar1.set_panel_text(1, port_label(texts::kPermissionNote, number));
}

void Form1::tell_scan() {
    if (observers.empty()) {
        return;
    }
    std::string found;
    std::string denied;
    for (int n = 1; n <= limits::kPortCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        std::string& list = port_present[i] ? found : denied;
        if (port_present[i] || port_denied[i]) {
            list += (list.empty() ? "COM" : " COM") + std::to_string(n);
        }
    }
    const char* none = text(texts::kLinkNone);
    std::string event = texts::fill(text(texts::kLinkScan),
                                    {found.empty() ? none : found, denied.empty() ? none : denied});
    // The search runs on every tick until a supply answers: its result is told when it changes.
    if (event != last_scan_event) {
        last_scan_event = event;
        tell_link_event(event);
    }
}

void Form1::tell_link_event(const std::string& text) {
    tell_observers([&text](platform::Observer& o) { o.link_event(text); });
}

} // namespace kelvo
