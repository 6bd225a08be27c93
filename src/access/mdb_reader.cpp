// Reading a table in a child process, so that libmdb's loops and crashes on a damaged
// file end there instead of in the program.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "access/mdb_reader.h"
#include "posix/descriptors.h"

#include "access/mdb_answer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <string_view>
#include <utility>

namespace kelvo::access {

namespace {

[[noreturn]] void run_child(const std::string& path, const std::string& name, int answer,
                            int messages) {
    // What libmdb prints about damage goes to the parent, which quotes the first line.
    ::dup2(messages, STDOUT_FILENO);
    ::dup2(messages, STDERR_FILENO);
    std::string payload;
    try {
        const JetDatabase database(path);
        payload = detail::encode(database.read_table(name));
    } catch (const AccessError& error) {
        payload = detail::encode_error(error.what());
    } catch (const std::exception& error) {
        payload = detail::encode_error(texts::fill(texts::kFileUnreadable.en, {error.what()}));
    }
    // A write that fails leaves the answer short, which the parent reports as damage.
    posix::write_all(answer, payload);
    // No exit handlers: they belong to the parent (and to its Qt objects).
    ::_exit(0);
}

class Pipe {
public:
    Pipe() {
        if (::pipe2(ends_.data(), O_CLOEXEC) != 0) {
            throw AccessError(posix::system_reason(texts::kReaderNotStarted, errno));
        }
    }
    ~Pipe() {
        close_read();
        close_write();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    int read_end() const { return ends_[0]; }
    int write_end() const { return ends_[1]; }
    void close_read() { close(0); }
    void close_write() { close(1); }

private:
    void close(std::size_t end) {
        if (ends_.at(end) >= 0) {
            ::close(ends_.at(end));
            ends_.at(end) = -1;
        }
    }
    std::array<int, 2> ends_{-1, -1};
};

std::string first_line(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (!line.empty()) {
            return line;
        }
        start = end + 1;
    }
    return {};
}

// The child, started on its reading with the write ends of both pipes; the parent keeps
// the read ends only, so that each pipe closes when the child is gone.
pid_t start_child(const std::string& path, const std::string& name, Pipe& answer, Pipe& messages) {
    const pid_t child = ::fork();
    if (child < 0) {
        throw AccessError(posix::system_reason(texts::kReaderNotStarted, errno));
    }
    if (child == 0) {
        run_child(path, name, answer.write_end(), messages.write_end());
    }
    answer.close_write();
    messages.close_write();
    return child;
}

// What the child wrote before both pipes closed or the time ran out.
struct Heard {
    std::string payload;
    std::string said; // libmdb's messages, the first few kilobytes
    bool timed_out = false;
};

// One pipe being read: where its bytes go, up to how many, and whether it is still open.
struct Source {
    int fd;
    std::string* into;
    std::size_t limit;
    bool open = true;
};

void take(Source& source, std::array<char, 65536>& chunk) {
    const ssize_t got = ::read(source.fd, chunk.data(), chunk.size());
    if (got < 0 && errno == EINTR) {
        return;
    }
    if (got <= 0) {
        source.open = false;
        return;
    }
    const std::string_view bytes(chunk.data(), static_cast<std::size_t>(got));
    std::string& into = *source.into;
    if (into.size() < source.limit) {
        into.append(bytes.substr(0, source.limit - into.size()));
    }
}

Heard listen(const Pipe& answer, const Pipe& messages, std::chrono::milliseconds time_limit) {
    constexpr std::size_t kMessageLimit = 4096;
    Heard heard;
    std::array<Source, 2> sources{{{answer.read_end(), &heard.payload, std::string::npos},
                                   {messages.read_end(), &heard.said, kMessageLimit}}};
    const auto deadline = std::chrono::steady_clock::now() + time_limit;
    std::array<char, 65536> chunk{};
    while (sources[0].open || sources[1].open) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            heard.timed_out = true;
            break;
        }
        std::array<pollfd, 2> fds{{{sources[0].open ? sources[0].fd : -1, POLLIN, 0},
                                   {sources[1].open ? sources[1].fd : -1, POLLIN, 0}}};
        const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            heard.timed_out = true;
            break;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds.at(i).fd >= 0 && fds.at(i).revents != 0) {
                take(sources.at(i), chunk);
            }
        }
    }
    return heard;
}

// Whether the child ended on a signal, and which; waits until it has ended.
std::pair<bool, int> wait_for(pid_t child) {
    int status = 0;
    pid_t waited = 0;
    do {
        waited = ::waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    const bool signalled = waited == child && WIFSIGNALED(status);
    return {signalled, signalled ? WTERMSIG(status) : 0};
}

Table answer_of(const Heard& heard, std::pair<bool, int> ended_by_signal,
                std::chrono::milliseconds time_limit) {
    const std::string libmdb_said =
        first_line(heard.said).empty()
            ? std::string()
            : texts::fill(texts::kLibmdbSaid.en, {first_line(heard.said)});
    if (heard.timed_out) {
        throw AccessError(texts::fill(texts::kReaderTooSlow.en,
                                      {std::to_string(time_limit.count()), libmdb_said}));
    }
    if (ended_by_signal.first) {
        throw AccessError(texts::fill(texts::kReaderCrashed.en,
                                      {::strsignal(ended_by_signal.second), libmdb_said}));
    }
    if (heard.payload.empty()) {
        throw AccessError(texts::fill(texts::kReaderSilent.en, {libmdb_said}));
    }
    try {
        return detail::decode(heard.payload);
    } catch (const AccessError& error) {
        throw AccessError(error.what() + libmdb_said);
    }
}

} // namespace

Table read_table(const std::string& path, const std::string& name,
                 std::chrono::milliseconds time_limit) {
    Pipe answer;
    Pipe messages;
    const pid_t child = start_child(path, name, answer, messages);
    const Heard heard = listen(answer, messages, time_limit);
    if (heard.timed_out) {
        ::kill(child, SIGKILL);
    }
    const std::pair<bool, int> ended_by_signal = wait_for(child);
    return answer_of(heard, ended_by_signal, time_limit);
}

} // namespace kelvo::access
