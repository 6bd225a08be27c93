// Where the program finds its icon and its step table: beside the program for a portable
// copy, in the installed data folder and the user's own folder for an installed program.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/texts.h"

#include <optional>
#include <string>

namespace kelvo {

std::string Form1::icon_path() const {
    const std::string beside = Files.program_folder() + "/" + texts::kIconFile;
    const std::string installed = Files.data_folder() + "/" + texts::kIconFile;
    // When neither is there, the start-up error names the portable one.
    return Files.file_exists(beside) || !Files.file_exists(installed) ? beside : installed;
}

bool Form1::portable_copy() const {
    const std::string folder = Files.program_folder();
    const std::string name = std::string("/") + texts::kDatabaseFile;
    return !Files.file_exists(Files.data_folder() + name) ||
           (Files.file_exists(folder + name) && Files.folder_writable(folder));
}

std::string Form1::step_table_folder() {
    const std::string name = std::string("/") + texts::kDatabaseFile;
    const std::string sample = Files.data_folder() + name;
    // A portable copy keeps its table beside the program, as it always did; so does a build
    // folder with no installed data, where a missing table is reported under its own name.
    if (portable_copy()) {
        return Files.program_folder();
    }
    // Installed: the user's own table, made from the sample once and never replaced.
    std::string user = Files.user_data_folder();
    if (user.empty()) {
        return Files.data_folder();
    }
    if (Files.file_exists(user + name)) {
        return user;
    }
    std::string reason = Files.folder_exists(user) ? std::string() : Files.create_folder(user);
    if (reason.empty()) {
        const std::optional<std::string> bytes =
            Files.read_file(sample, platform::FileSystem::kNoSizeLimit);
        reason = bytes ? Files.write_new_file(user + name, *bytes)
                       : texts::fill(text(texts::kFileUnreadable), {sample});
    }
    if (reason.empty()) {
        return user;
    }
    // The sample itself, which cannot be written: every edit is refused and says why.
    monitor_line(texts::fill(text(texts::kStepTableNotCopied), {user + name, reason}));
    return Files.data_folder();
}

} // namespace kelvo
