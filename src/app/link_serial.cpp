// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/limits.h"
#include "base/texts.h"
#include "link/protocol.h"

namespace kelvo {

void Form1::monitor_line(const std::string& line) {
    Picture2.print(line);
}

std::int16_t Form1::COM_SCAN() {
    std::int16_t count = 0;
    for (int n = 1; n <= limits::kPortCount; ++n) {
        MSComm1.set_port_number(n);
        const platform::OpenResult opened = MSComm1.open();
        port_denied[static_cast<std::size_t>(n)] = opened == platform::OpenResult::PermissionDenied;
        if (opened == platform::OpenResult::Opened) {
            ++count;
            port_present[static_cast<std::size_t>(n)] = true;
            monitor_line(texts::fill(text(texts::kPortAvailable), {std::to_string(n)}));
        } else if (opened == platform::OpenResult::PermissionDenied) {
            // Still just not usable, but the user can do something about it.
            monitor_line(texts::fill(text(texts::kPortDenied), {std::to_string(n)}));
            port_refused(n);
        }
        MSComm1.close();
    }
    return count;
}

void Form1::connect_port() {
    if (pinned_port != 0) {
        connect_pinned_port();
        return;
    }
    int opened = 0;
    {
        const std::lock_guard<std::mutex> lock(send_mutex);
        if (MSComm1.is_open()) {
            MSComm1.close();
        }
        port_present.fill(false);
        ports_found = COM_SCAN();
        monitor_line(texts::fill(text(texts::kPortsFound), {std::to_string(ports_found)}));
        opened = open_found_port();
    }
    tell_scan();
    if (opened != 0) {
        port_opened(opened);
    }
}

int Form1::open_found_port() {
    int opened = 0;
    bool candidate_left = false;
    for (int n = limits::kPortCount; n >= 1 && opened == 0; --n) {
        const auto i = static_cast<std::size_t>(n);
        if (port_failed[i] || !port_present[i]) {
            continue;
        }
        candidate_left = true;
        MSComm1.set_port_number(n);
        if (MSComm1.open() == platform::OpenResult::Opened) {
            opened = n;
        } else {
            MSComm1.close();
        }
    }

    // Every port found has lost the link once: forget the marks so that a supply
    // switched off and on again is found on the next tick.
    if (opened == 0 && ports_found > 0 && !candidate_left) {
        port_failed.fill(false);
        device_connected = false;
    }
    return opened;
}

void Form1::port_opened(int number) {
    monitor_line(texts::fill(text(texts::kPortOpened), {std::to_string(number)}));
    tell_link_event(
        port_label(number == port_number ? texts::kLinkReopened : texts::kLinkOpened, number));
    port_ready = true;
    port_number = static_cast<std::int16_t>(number);
    read_divider = 0;
    read_due = false;
    no_answer_count = 0;
    bad_data_count = 0;
    read_failure_shown = false;
    // A port just opened has brought no reply yet.
    reply_fresh = false;
    if (link_lost_told) {
        link_lost_told = false;
        log_event(EventKind::LinkBack, timeline_port());
    }
}

void Form1::Timer2_Timer() {
    const std::lock_guard<std::mutex> lock(send_mutex);
    if (send_position >= static_cast<std::int16_t>(kFrameLength)) {
        send_position = 1;
    } else {
        ++send_position;
    }
    if (!MSComm1.is_open()) {
        return;
    }
    const auto position = static_cast<std::size_t>(send_position);
    if (position <= command_frame.size()) {
        MSComm1.write(command_frame.substr(position - 1, 1));
    }
}

} // namespace kelvo
