#include "record/record_log.h"

#include "app/form1.h"
#include "app/texts.h"

namespace kelvo {

std::string record_file_name(const platform::DateTime& m, int copy) {
    std::string name = std::to_string(m.year) + std::to_string(m.month) + std::to_string(m.day) +
                       std::to_string(m.hour) + std::to_string(m.minute) + std::to_string(m.second);
    if (copy > 1) {
        name += "-" + std::to_string(copy);
    }
    return name + ".TXT";
}

std::string record_date_line(const platform::DateTime& m, const std::string& time_text) {
    return std::to_string(m.year) + "-" + std::to_string(m.month) + "-" + std::to_string(m.day) +
           "   " + time_text;
}

std::string record_reading_line(const std::string& time_text, const std::string& voltage,
                                const std::string& current) {
    const std::string gap(10, ' ');
    return time_text + gap + voltage + gap + current;
}

void Form1::begin_record_log() {
    Text3.set_text("");
    Text3.set_text(std::string(texts::kProductName) + texts::kCrLf);
    Text3.append_text(std::string(texts::kVersion) + texts::kCrLf);
    const platform::DateTime now = Clock.now();
    Text3.append_text(record_date_line(now, Clock.time_text(now)));
}

void Form1::append_record_line(const std::string& voltage, const std::string& current) {
    // One append of the new line only: the log grows for as long as the output is on.
    Text3.append_text(texts::kCrLf +
                      record_reading_line(Clock.time_text(Clock.now()), voltage, current));
    Text3.set_sel_start(Text3.text_length());
}

bool Form1::GBDY_CX() {
    for (int column = 0; column < 3; ++column) {
        DataGrid1.set_column_locked(column, false);
    }
    program_running = false;
    output_on = false;
    set_front_panel_enabled(true);
    Text3.append_text(texts::kCrLf);

    // Never replace an earlier record: two periods can end in the same second, and two
    // moments can give the same digits (2026-1-23 4:05:06 and 2026-12-3 4:05:06).
    const std::string folder = Files.program_folder() + "/Record";
    const platform::DateTime now = Clock.now();
    std::string path;
    for (int copy = 1;; ++copy) {
        path = folder + "/" + record_file_name(now, copy);
        if (!Files.file_exists(path)) {
            break;
        }
    }
    if (english_mode) {
        Command1.set_caption("ON");
        Command4.set_caption("RUN");
        Text3.append_text("Save Path:" + path);
    } else {
        Command1.set_caption("开");
        Command4.set_caption("开始");
        Text3.append_text("保存路径:" + path);
    }
    Command1.set_back_color(std::nullopt);
    Command4.set_back_color(std::nullopt);
    step_index = 0;
    step_seconds_left = 0;

    std::string failure;
    if (!Files.folder_exists(folder)) {
        if (const std::string reason = Files.create_folder(folder); !reason.empty()) {
            failure = folder + ": " + reason;
        }
    }
    if (failure.empty()) {
        if (const std::string reason = Files.write_new_file(path, Text3.text() + texts::kCrLf);
            !reason.empty()) {
            failure = path + ": " + reason;
        }
    }
    if (!failure.empty()) {
        // The log stays in the window; the user can copy it from there.
        show_message("The record file could not be saved. " + failure, "Record file error");
    }
    return true;
}

} // namespace kelvo
