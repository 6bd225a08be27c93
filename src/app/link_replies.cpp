// The supply's replies: read each second, checked, and the link given up after ten silent
// seconds in a row.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/limits.h"
#include "base/texts.h"
#include "link/protocol.h"

namespace kelvo {

namespace {

// Read seconds that may fail in a row before the link counts as lost.
constexpr std::int16_t kLinkLossLimit = 10;

} // namespace

void Form1::read_replies() {
    std::string data;
    if (auto received = MSComm1.read()) {
        data = std::move(*received);
    } else if (!read_failure_shown) {
        // Once per opened port: a vanished adapter fails every read until the link is
        // dropped, and one box is enough to tell the user.
        read_failure_shown = true;
        show_message(text(texts::kReadErrorPrompt), "");
        tell_link_event(texts::fill(text(texts::kLinkReadFailed), {std::to_string(port_number)}));
    }

    drop_lost_link();

    bool valid = false;
    if (!data.empty()) {
        valid = parse_reply(data);
    } else {
        ++no_answer_count;
    }
    read_due = false;
    note_read_second(valid && port_ready);
}

void Form1::note_read_second(bool valid) {
    read_seconds_seen = true;
    const bool was = reply_fresh;
    reply_fresh = valid;
    count_step_reading(valid);
    if (!valid && !silence_told) {
        silence_told = true;
        log_event(EventKind::SupplySilent, timeline_port());
    } else if (valid && silence_told) {
        silence_told = false;
        log_event(EventKind::SupplyAnswering, timeline_port());
    }
    // Said at once, not at the next display second.
    if (was != valid) {
        show_period_readout();
    }
}

void Form1::drop_lost_link() {
    if (no_answer_count > kLinkLossLimit || bad_data_count > kLinkLossLimit) {
        port_ready = false;
        reply_fresh = false;
        link_lost_told = true;
        log_event(EventKind::LinkLost, timeline_port(),
                  no_answer_count > kLinkLossLimit ? "no answer" : "no valid reply");
        const std::string port = texts::fill(text(texts::kPortName), {std::to_string(port_number)});
        const std::string number = std::to_string(port_number);
        if (no_answer_count > kLinkLossLimit) {
            monitor_line(texts::fill(text(texts::kPortNoAnswer), {port}));
            tell_link_event(texts::fill(text(texts::kLinkNoAnswer), {number}));
        }
        if (bad_data_count > kLinkLossLimit) {
            monitor_line(texts::fill(text(texts::kPortTimedOut), {port}));
            tell_link_event(texts::fill(text(texts::kLinkBadData), {number}));
        }
        if (port_number <= 1) {
            port_failed.fill(false);
            device_connected = false;
        } else {
            port_failed[static_cast<std::size_t>(port_number)] = true;
        }
        monitor_line(text(texts::kNoData));
        voltage_reading = "0000";
        current_reading = "0000";
    }
}

bool Form1::parse_reply(const std::string& data) {
    no_answer_count = 0;
    const std::string clean = strip_255(data);
    monitor_line(clean);
    const ReplySearch reply = find_reply_frame(clean);
    switch (reply.result) {
    case ReplyResult::NoHeader:
        ++bad_data_count;
        monitor_line(text(texts::kDataError));
        break;
    case ReplyResult::NoWholeFrame:
    case ReplyResult::NoValidFrame:
        ++bad_data_count;
        break;
    case ReplyResult::ValidFrame: {
        current_reading = reply.frame.substr(kReplyCurrentAt, kReplyReadingLength);
        voltage_reading = reply.frame.substr(kReplyVoltageAt, kReplyReadingLength);
        reply_status = reply.frame.substr(kReplyStatusAt, 1);
        const bool was_over_current = over_current;
        over_current = reply_status == "B";
        monitor_line(reply.frame);
        bad_data_count = 0;
        device_connected = true;
        last_answer_seconds = Clock.steady_seconds();
        tell_reply(reply.frame);
        if (over_current != was_over_current) {
            log_event(over_current ? EventKind::OverCurrentOn : EventKind::OverCurrentOff,
                      timeline_port());
        }
        // The reading is checked the moment it arrives, not at the next display second.
        guard_reading();
        return true;
    }
    }
    return false;
}

} // namespace kelvo
