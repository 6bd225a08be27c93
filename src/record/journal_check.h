// record/: whether a file named like a journal holds what the program writes into one, so
// that nothing else (junk, another program's file, a file planted to be copied into a
// readable record) becomes a record at start-up.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvo {

// A journal beyond this is left where it is: at a line a second it is over two weeks of
// output, and the whole of it would be held in memory to be made a record.
inline constexpr std::size_t kJournalMaxBytes = std::size_t{64} << 20;

// Empty when the bytes are a journal: the record's header and date line, then reading
// lines and the timeline's marks between them, the last of them perhaps cut short by the
// crash; otherwise why not, naming the first line that is none of those.
std::string journal_refusal(std::string_view bytes);

} // namespace kelvo
