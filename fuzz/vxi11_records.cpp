// What a client of the LAN instrument sends: bytes cut into records (in pieces of the size
// the first byte says), each record a call to the core channel, or, when the second byte's
// low bit is set, every other one to the abort channel; the clock moves on a tenth of a
// second a record and the waiting calls are looked at. Nothing held grows past its bound,
// no more links are open than allowed, every reply is a reply to a call with the call's id
// and fits what one record may carry, and a closed connection leaves no link behind.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "check.h"
#include "vxi11/device.h"
#include "vxi11/record.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

using namespace kelvo::vxi11;

namespace {

// Answers a query at once, or only when resumed for one ending in "*?".
class EchoPeer final : public LinkPeer {
public:
    void write_message(std::string_view message, std::string& output) override {
        if (message.ends_with("*?")) {
            waiting_ = true;
        } else if (message.find('?') != std::string_view::npos) {
            output += "1\n";
        }
    }
    bool busy() const override { return waiting_; }
    void resume(std::string& output) override {
        output += "2\n";
        waiting_ = false;
    }
    int status_byte(bool unread) override { return unread ? 0x10 : 0; }
    void clear() override { waiting_ = false; }

private:
    bool waiting_ = false;
};

std::uint32_t word_at(std::string_view bytes) {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        word = (word << 8) | static_cast<unsigned char>(bytes[i]);
    }
    return word;
}

// A reply with the id of a call the connection sent, as a reply, in one record's room.
void check_reply(std::string_view reply) {
    KELVO_FUZZ_REQUIRE(reply.size() >= 12 && reply.size() % 4 == 0);
    KELVO_FUZZ_REQUIRE(reply.size() <= kMaxRecordBytes);
    KELVO_FUZZ_REQUIRE(word_at(reply.substr(4)) == 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::size_t piece = 1 + data[0] % 64;
    const bool abort_too = (data[1] & 1) != 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    Device device([](const std::string&) { return std::make_unique<EchoPeer>(); });
    device.connection_opened(1, "fuzz");
    RecordAssembler records(std::size_t{64} * 1024);
    double now = 0;
    int count = 0;
    const auto take = [&](std::string_view record) {
        now += 0.1;
        const bool to_abort = abort_too && (++count % 2) == 0;
        const auto reply =
            to_abort ? device.abort_record(record) : device.core_record(1, record, now);
        if (reply) {
            check_reply(*reply);
        }
        for (const Reply& later : device.poll(now)) {
            KELVO_FUZZ_REQUIRE(later.connection == 1);
            check_reply(later.message);
        }
        KELVO_FUZZ_REQUIRE(device.link_count() <= kMaxLinks);
    };
    for (std::size_t at = 0; at < bytes.size() && !records.broken(); at += piece) {
        records.feed(bytes.substr(at, piece), take);
        KELVO_FUZZ_REQUIRE(records.held() <= std::size_t{64} * 1024);
    }
    device.connection_closed(1);
    KELVO_FUZZ_REQUIRE(device.link_count() == 0 && !device.waiting());
    return 0;
}
