// A link's peer for the tests: it keeps what it is told and answers each query with the
// answer it is given, at once or, while answers are held back, when it is resumed after
// they are let go.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vxi11/link_peer.h"

#include <memory>
#include <string>
#include <vector>

namespace kelvo::vxi11::testing {

struct PeerLog {
    std::vector<std::string> clients;
    std::vector<std::string> messages;
    std::string answer = "KELVO,TEST,0,1.0\n";
    bool hold_answers = false; // queries wait until let go
    bool let_go = false;
    std::string waiting;
    int resumes = 0;
    int clears = 0;
    int status_byte = 0;
    int alive = 0;
};

class TestPeer final : public LinkPeer {
public:
    explicit TestPeer(PeerLog& log) : log_(log) { ++log_.alive; }
    ~TestPeer() override { --log_.alive; }
    TestPeer(const TestPeer&) = delete;
    TestPeer& operator=(const TestPeer&) = delete;

    void write_message(std::string_view message, std::string& output) override {
        log_.messages.emplace_back(message);
        if (message.find('?') == std::string_view::npos) {
            return;
        }
        (log_.hold_answers ? log_.waiting : output) += log_.answer;
    }
    bool busy() const override { return !log_.waiting.empty(); }
    void resume(std::string& output) override {
        ++log_.resumes;
        if (log_.let_go) {
            output += log_.waiting;
            log_.waiting.clear();
        }
    }
    int status_byte(bool unread) override { return log_.status_byte | (unread ? 0x10 : 0); }
    void clear() override {
        ++log_.clears;
        log_.waiting.clear();
    }

private:
    PeerLog& log_;
};

inline PeerFactory test_peers(PeerLog& log) {
    return [&log](const std::string& client) {
        log.clients.push_back(client);
        return std::make_unique<TestPeer>(log);
    };
}

} // namespace kelvo::vxi11::testing
