// vxi11/: record marking, how remote calls travel over TCP: each record is one or more
// fragments, each after a 4-byte big-endian header whose top bit marks the last fragment
// and whose other 31 bits give its length.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kelvo::vxi11 {

// The biggest record taken: a write of the most data a call carries, and its header.
inline constexpr std::size_t kMaxRecordBytes = std::size_t{1024} * 1024 + 4096;

class RecordAssembler {
public:
    using RecordHandler = std::function<void(std::string_view record)>;
    explicit RecordAssembler(std::size_t limit = kMaxRecordBytes) : limit_(limit) {}

    // Takes the next bytes of the stream; `whole` gets each record they complete, in order.
    // A fragment that would take its record past the limit breaks the stream: false, then
    // and on every later feed, and nothing more is taken. Memory grows with the bytes that
    // came, never with a length a header claims.
    bool feed(std::string_view bytes, const RecordHandler& whole);
    bool broken() const { return broken_; }
    // Bytes of the record being put together.
    std::size_t held() const { return record_.size(); }

private:
    // Takes header bytes from `bytes` (moving it on); true once the header is whole.
    bool take_header(std::string_view& bytes);

    std::size_t limit_;
    unsigned char header_[4] = {};
    std::size_t header_bytes_ = 0;
    std::uint32_t fragment_left_ = 0;
    bool last_fragment_ = false;
    bool in_fragment_ = false;
    bool broken_ = false;
    std::string record_;
};

// A reply as one last fragment, ready for the socket.
std::string frame_record(std::string_view message);

} // namespace kelvo::vxi11
