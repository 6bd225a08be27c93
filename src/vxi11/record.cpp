// SPDX-License-Identifier: GPL-3.0-or-later
#include "vxi11/record.h"

#include <algorithm>

namespace kelvo::vxi11 {

namespace {

constexpr std::uint32_t kLastFragment = 0x80000000U;

} // namespace

bool RecordAssembler::take_header(std::string_view& bytes) {
    while (header_bytes_ < sizeof header_ && !bytes.empty()) {
        header_[header_bytes_++] = static_cast<unsigned char>(bytes.front());
        bytes.remove_prefix(1);
    }
    if (header_bytes_ < sizeof header_) {
        return false;
    }
    header_bytes_ = 0;
    const std::uint32_t word = (std::uint32_t{header_[0]} << 24) |
                               (std::uint32_t{header_[1]} << 16) |
                               (std::uint32_t{header_[2]} << 8) | std::uint32_t{header_[3]};
    last_fragment_ = (word & kLastFragment) != 0;
    fragment_left_ = word & ~kLastFragment;
    return true;
}

bool RecordAssembler::feed(std::string_view bytes, const RecordHandler& whole) {
    while (!broken_ && !bytes.empty()) {
        if (!in_fragment_) {
            if (!take_header(bytes)) {
                break;
            }
            if (fragment_left_ > limit_ - record_.size()) {
                broken_ = true;
                record_.clear();
                record_.shrink_to_fit();
                break;
            }
            in_fragment_ = true;
        }
        const std::size_t take = std::min<std::size_t>(fragment_left_, bytes.size());
        record_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        fragment_left_ -= static_cast<std::uint32_t>(take);
        if (fragment_left_ > 0) {
            break;
        }
        in_fragment_ = false;
        if (last_fragment_) {
            whole(record_);
            record_.clear();
        }
    }
    return !broken_;
}

std::string frame_record(std::string_view message) {
    const auto length = static_cast<std::uint32_t>(message.size()) | kLastFragment;
    std::string framed;
    framed.reserve(4 + message.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        framed.push_back(static_cast<char>((length >> shift) & 0xFFU));
    }
    framed.append(message);
    return framed;
}

} // namespace kelvo::vxi11
