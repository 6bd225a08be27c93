// base/: what the program says of files it finds in its folders and will not take: planted
// links, FIFOs, devices, other users' files, journals that are not its own.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo::texts {

// Where a folder of the program's own is expected.
inline constexpr Text kFolderIsLink{"it is a link, not a folder; links are not followed here",
                                    "it is a link, not a folder; links are not followed here"};
// A file read at start-up that is none: a FIFO would be waited on for ever.
inline constexpr Text kNotRegularKind{"it is a %1, not a regular file",
                                      "it is a %1, not a regular file"};
inline constexpr Text kKindFifo{"FIFO", "FIFO"};
inline constexpr Text kKindDevice{"device", "device"};
inline constexpr Text kKindSocket{"socket", "socket"};
inline constexpr Text kKindLink{"link", "link"};
inline constexpr Text kKindFolder{"folder", "folder"};

// A file named like a journal, left where it is at start-up: one line each.
inline constexpr Text kJournalLeft{"Not a journal of this program, left in place: %1 (%2)",
                                   "不是本程序的记录日志，保留原处：%1（%2）"};
inline constexpr Text kJournalOtherName{"a name this program never gives",
                                        "a name this program never gives"};
inline constexpr Text kJournalOtherOwner{"another user's file", "another user's file"};
inline constexpr Text kJournalTooLarge{"larger than %1 MB", "larger than %1 MB"};
inline constexpr Text kJournalNoHeader{"it does not begin as a record does",
                                       "it does not begin as a record does"};
inline constexpr Text kJournalBadLine{"line %1 is not a reading line",
                                      "line %1 is not a reading line"};
inline constexpr Text kJournalBadMark{"a timeline row at line %1 cannot be read",
                                      "a timeline row at line %1 cannot be read"};
inline constexpr Text kJournalUnreadable{"it cannot be read", "it cannot be read"};

} // namespace kelvo::texts
