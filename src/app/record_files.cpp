// Where records go, the journal that keeps a running period on disk, and the records made
// at start-up from periods a crash or a power cut left open.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/texts.h"
#include "record/journal_check.h"
#include "record/record_log.h"

#include <algorithm>

namespace kelvo {

namespace {

// Copies of one name before a folder counts as unusable: two periods ending in the same
// second, or two moments with the same digits, need only a few.
constexpr int kMaxCopies = 1000;

} // namespace

std::vector<std::string> Form1::record_folders() const {
    // A portable copy writes beside the program, an installed one in the user's own data
    // folder, even from a program folder it could write (~/.local/bin); each falls back on
    // the other. The folder that holds the period's journal goes first: it could be written
    // when the period began.
    std::vector<std::string> folders;
    const auto add = [&folders](const std::string& folder) {
        if (!folder.empty() && folder.front() == '/' &&
            std::find(folders.begin(), folders.end(), folder) == folders.end()) {
            folders.push_back(folder);
        }
    };
    if (!journal_folder.empty()) {
        add(journal_folder);
    }
    const std::string beside = Files.program_folder() + "/" + texts::kRecordFolder;
    const std::string user = Files.user_data_folder();
    const std::string own = user.empty() ? std::string() : user + "/" + texts::kRecordFolder;
    const bool portable = portable_copy();
    add(portable ? beside : own);
    add(portable ? own : beside);
    return folders;
}

void Form1::log_text(const std::string& text) {
    Text3.append_text(text);
    if (!journal_writing) {
        return;
    }
    if (const std::string reason = Files.append_journal(text); !reason.empty()) {
        // The log in the window still holds everything and the save at the end tries
        // again; the journal keeps what it has in case there is no end.
        monitor_line(texts::fill(Form1::text(texts::kJournalError), {reason}));
        journal_writing = false;
    }
}

void Form1::open_journal() {
    journal_folder.clear();
    journal_writing = false;
    std::string reasons;
    for (const std::string& folder : record_folders()) {
        std::string reason;
        if (!Files.folder_exists(folder)) {
            reason = Files.create_folder(folder);
        }
        if (reason.empty()) {
            reason = Files.open_journal(folder);
        }
        if (reason.empty()) {
            journal_folder = folder;
            break;
        }
        reasons += (reasons.empty() ? "" : text(texts::kReasonsJoin)) +
                   texts::fill(text(texts::kReasonAt), {folder, reason});
    }
    if (journal_folder.empty()) {
        // Said once: the period runs without its copy on disk, and the user should know
        // before a crash tells him.
        if (!journal_warning_shown) {
            journal_warning_shown = true;
            show_message(texts::fill(text(texts::kJournalError), {reasons}),
                         text(texts::kRecordErrorTitle));
        } else {
            monitor_line(texts::fill(text(texts::kJournalError), {reasons}));
        }
        return;
    }
    journal_writing = true;
    if (const std::string reason = Files.append_journal(Text3.text()); !reason.empty()) {
        monitor_line(texts::fill(Form1::text(texts::kJournalError), {reason}));
        journal_writing = false;
    }
}

bool Form1::save_record() {
    const DateTime now = Clock.now();
    const std::string label = text(texts::kSavePath);
    std::string reasons;
    for (const std::string& folder : record_folders()) {
        std::string reason;
        if (!Files.folder_exists(folder)) {
            reason = Files.create_folder(folder);
        }
        for (int copy = 1; reason.empty() && copy <= kMaxCopies; ++copy) {
            // Never over an earlier record.
            const std::string path = folder + "/" + record_file_name(now, copy);
            if (Files.file_exists(path)) {
                continue;
            }
            const std::string line = label + path;
            reason = Files.write_new_file(path, Text3.text() + line + texts::kCrLf);
            if (reason.empty()) {
                last_record_path = path;
                Text3.append_text(line);
                Files.discard_journal();
                journal_folder.clear();
                journal_writing = false;
                return true;
            }
            if (Files.file_exists(path)) {
                reason.clear(); // taken meanwhile: the next copy
            } else {
                reason = texts::fill(text(texts::kReasonAt), {path, reason});
            }
        }
        if (reason.empty()) {
            reason = text(texts::kAllNamesTaken);
        }
        if (reason.front() != '/') {
            reason = texts::fill(text(texts::kReasonAt), {folder, reason});
        }
        reasons += (reasons.empty() ? "" : text(texts::kReasonsJoin)) + reason;
    }
    // Said plainly in the log, where the path would have stood. A journal that could be
    // kept stays on disk and becomes a record at the next start.
    Text3.append_text(text(texts::kRecordNotSaved) + reasons);
    Files.close_journal();
    journal_folder.clear();
    journal_writing = false;
    show_message(texts::fill(text(texts::kRecordErrorPrompt), {reasons}),
                 text(texts::kRecordErrorTitle));
    return false;
}

void Form1::recover_journals() {
    for (const std::string& folder : record_folders()) {
        for (const platform::FileSystem::Journal& journal : Files.abandoned_journals(folder)) {
            recover_journal(folder, journal);
        }
    }
}

void Form1::leave_journal(const platform::FileSystem::Journal& journal, const std::string& why) {
    // Named once at each start, on the monitor and on the terminal; it stays where it is.
    monitor_line(texts::fill(text(texts::kJournalLeft), {journal.path, why}));
    startup_notes.push_back(texts::fill(texts::kJournalLeft.en, {journal.path, why}));
}

std::optional<std::string> Form1::journal_to_recover(const platform::FileSystem::Journal& journal) {
    std::string why = journal.refusal;
    std::optional<std::string> content;
    if (why.empty() && journal.size > kJournalMaxBytes) {
        why = texts::fill(texts::kJournalTooLarge.en, {std::to_string(kJournalMaxBytes >> 20)});
    } else if (why.empty()) {
        content = Files.read_journal(journal.path, kJournalMaxBytes);
        why = !content ? std::string(texts::kJournalUnreadable.en) : journal_refusal(*content);
    }
    if (content && content->empty()) {
        // Opened and never written: nothing to keep.
        Files.remove_file(journal.path);
        return std::nullopt;
    }
    if (!why.empty()) {
        leave_journal(journal, why);
        return std::nullopt;
    }
    return content;
}

void Form1::recover_journal(const std::string& folder,
                            const platform::FileSystem::Journal& journal) {
    const std::optional<std::string> content = journal_to_recover(journal);
    if (!content) {
        return;
    }
    // The journal holds the log, and between its lines the timeline and the marks of the
    // readings that were not measured.
    JournalParts parts = split_journal(*content);
    std::string notes;
    for (const SilenceSpan& span : parts.spans) {
        notes += texts::fill(texts::kSilenceNote.en, {span.from, span.to}) + texts::kCrLf;
    }
    std::string saved;
    std::string reason;
    for (int copy = 1; saved.empty() && copy <= kMaxCopies; ++copy) {
        const std::string path = folder + "/" + record_file_name(journal.last_written, copy);
        if (Files.file_exists(path)) {
            continue;
        }
        // The recovered record's last lines are English in either mode.
        reason = Files.write_new_file(path, parts.log + texts::kCrLf + notes +
                                                texts::kRecoveredNote.en + texts::kCrLf +
                                                texts::kSavePath.en + path + texts::kCrLf);
        if (!reason.empty()) {
            break;
        }
        saved = path;
    }
    if (saved.empty()) {
        monitor_line(texts::fill(text(texts::kJournalError),
                                 {texts::fill(text(texts::kReasonAt), {journal.path, reason})}));
        return;
    }
    if (!parts.events.empty()) {
        // The period ended unseen: its timeline ends where the journal was last written.
        parts.events.push_back(
            {{journal.last_written, 0, parts.events.back().at.utc_offset_minutes},
             EventKind::OutputOff,
             off_cause_name(OffCause::Recovery),
             {}});
        write_events(saved, parts.events);
    }
    Files.remove_file(journal.path);
    Text3.append_text(texts::fill(text(texts::kRecoveredLog), {saved}) + texts::kCrLf);
}

} // namespace kelvo
