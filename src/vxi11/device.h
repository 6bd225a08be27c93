// vxi11/: the LAN instrument: links to the instrument's command language, opened, written,
// read and locked by remote calls. It knows records and connections by number only, not
// sockets, and the time only as the caller gives it (`now`, in seconds).
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vxi11/calls.h"
#include "vxi11/link_peer.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvo::vxi11 {

// Links open at once, over every connection.
inline constexpr std::size_t kMaxLinks = 16;
// The most a client should put in one write; it is told so when the link opens.
inline constexpr std::uint32_t kMaxRecvSize = 65536;
// A message written in pieces is refused (error 9) past this.
inline constexpr std::size_t kMaxMessageBytes = std::size_t{1024} * 1024;
// Answers a link's client has not read: a message that comes while this many wait is
// refused (error 9) and not carried out.
inline constexpr std::size_t kMaxUnreadBytes = std::size_t{1024} * 1024;
// Calls a connection may send behind one that waits; past it the connection is overloaded.
inline constexpr std::size_t kMaxQueuedCalls = 32;

// A reply due on a connection.
struct Reply {
    int connection = 0;
    std::string message;
};

class Device {
public:
    explicit Device(PeerFactory factory) : factory_(std::move(factory)) {}

    // Where the abort channel listens, told to every client that opens a link.
    void set_abort_port(std::uint16_t port) { abort_port_ = port; }
    // The name a connection's links give their peers ("127.0.0.1:40312 link 3").
    void connection_opened(int connection, std::string client);
    // A whole record from a connection of the core channel: the reply, when it is due now.
    // A call that must wait (a read before its answer, a lock another link holds) is held,
    // and so is every later call of the connection, until poll() answers them in order.
    std::optional<std::string> core_record(int connection, std::string_view record, double now);
    // A whole record from the abort channel: its reply, at once. An abort ends the waiting
    // call of its link; poll() sends that call's reply (error 23).
    std::optional<std::string> abort_record(std::string_view record);
    // Goes on with busy peers and held calls: the replies now due, in order per connection.
    std::vector<Reply> poll(double now);
    // Its links are destroyed (a lock they hold released) and its held calls dropped.
    void connection_closed(int connection);
    // The connection queued more than kMaxQueuedCalls behind a waiting call: it should be
    // closed; nothing more of it is taken.
    bool overloaded(int connection) const;
    // A call is held or a peer is busy: poll() has work.
    bool waiting() const;
    std::size_t link_count() const { return links_.size(); }

private:
    struct Link {
        int connection = 0;
        std::unique_ptr<LinkPeer> peer;
        std::string message; // written, END not yet seen
        std::string output;  // answers not yet read
    };
    struct Held {
        Request request;
        double since = 0;
        bool aborted = false;
        std::optional<std::string> ready; // a refusal, sent in its turn
    };
    struct Connection {
        std::string client;
        std::deque<Held> queue;
        bool overloaded = false;
    };
    enum class Gate { kOpen, kWait, kRefused };

    Connection& connection(int id);
    void run_queue(int id, Connection& connection, double now, std::vector<Reply>& replies);
    std::optional<std::string> finish(const Held& held, int connection, double now);
    // The result of a call, or none while it must wait.
    std::optional<Result> attempt(const Held& held, int connection, double now);
    std::optional<Result> attempt_link_call(const Held& held, Link& link, double now);
    Gate lock_gate(std::int32_t lid, const Held& held, double now) const;
    Link* find(std::int32_t lid);
    void end_held_calls(std::int32_t lid);

    // The procedures (device_calls.cpp).
    std::optional<Result> open_link(const Held& held, int connection, double now);
    Result write_to(const Request& request, Link& link);
    std::optional<Result> read_from(const Held& held, Link& link, double now);
    std::optional<Result> take_lock(const Held& held, std::int32_t lid, double now);
    Result release_lock(std::int32_t lid);
    Result close_link(std::int32_t lid);
    static Result deliver(const Request& request, Link& link);

    PeerFactory factory_;
    std::uint16_t abort_port_ = 0;
    std::map<std::int32_t, Link> links_;
    std::map<int, Connection> connections_;
    std::int32_t next_link_ = 0;
    std::int32_t lock_holder_ = 0; // the link holding the lock; 0 for none
};

} // namespace kelvo::vxi11
