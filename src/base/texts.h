// base/: the one home of every text the user sees: captions, messages, the lines of the
// communication monitor and of the records, and the reasons given when something fails.
// Each text is a Text with its English and its Chinese form. Where the program shows one
// text in both languages (the Qt layer's own texts, the link's monitor lines, the status
// bar's communication texts, the failure reasons), both forms hold that same text, in
// whichever language it is written.
//
// A text that completes itself with numbers or names holds %1, %2, ... where they go;
// fill() puts them in.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace kelvo::texts {

struct Text {
    const char* en;
    const char* zh;
};

// The form of a text in the language chosen: English or Chinese.
constexpr const char* in(bool english, const Text& text) {
    return english ? text.en : text.zh;
}

// A text with each %N (1 to 9) replaced by the Nth of the values.
std::string fill(std::string_view pattern, std::initializer_list<std::string_view> values);

} // namespace kelvo::texts

#include "base/texts_command_line.h"
#include "base/texts_files.h"
#include "base/texts_history.h"
#include "base/texts_limits.h"
#include "base/texts_messages.h"
#include "base/texts_ports.h"
#include "base/texts_profiles.h"
#include "base/texts_reasons.h"
#include "base/texts_records.h"
#include "base/texts_remote.h"
#include "base/texts_report.h"
#include "base/texts_steps.h"
#include "base/texts_tools.h"
#include "base/texts_window.h"

namespace kelvo::texts {

// Names the program uses for itself and its files: never translated.
inline constexpr const char* kSerialSettings = "9600,N,8,1";
inline constexpr const char* kStepTable = "QZ7150PPS1";
inline constexpr const char* kDatabaseFile = "db1.mdb";
inline constexpr const char* kIconFile = "PPS.ico";
inline constexpr const char* kRecordFolder = "Record";
inline constexpr const char* kCrLf = "\r\n";

// The two forms of the note that a record could not be saved, by name.
inline constexpr const char* kNotSaved = kRecordNotSaved.en;
inline constexpr const char* kNotSavedZh = kRecordNotSaved.zh;

} // namespace kelvo::texts
