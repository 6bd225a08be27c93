// Journal recovery on any bytes: what a file named like a journal may hold, planted or cut
// short by a crash. Nothing crashes; what is taken for a journal becomes a record whose
// log holds no byte a record never holds, and that reads back as a record of the program.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "check.h"
#include "history/record_reader.h"
#include "record/journal_check.h"
#include "record/period_events.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace kelvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!journal_refusal(bytes).empty()) {
        return 0;
    }
    const JournalParts parts = split_journal(bytes);
    for (std::size_t at = 0; at < parts.log.size(); ++at) {
        const auto byte = static_cast<unsigned char>(parts.log[at]);
        if (byte == '\r') {
            // Only a line end, or the very end a crash cut.
            KELVO_FUZZ_REQUIRE(at + 1 == parts.log.size() || parts.log[at + 1] == '\n');
        } else if (byte == '\n') {
            KELVO_FUZZ_REQUIRE(at > 0 && parts.log[at - 1] == '\r');
        } else {
            KELVO_FUZZ_REQUIRE(byte >= 0x20 && byte != 0x7f);
        }
    }
    history::RecordReader reader;
    reader.feed(parts.log);
    reader.finish();
    KELVO_FUZZ_REQUIRE(reader.series().error != history::ReadError::NotRecord);
    return 0;
}
