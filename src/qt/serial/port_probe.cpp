// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/serial/port_probe.h"
#include "posix/own_folder.h"

#include <cerrno>
#include <csignal>
#include <fstream>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kelvo::qt {

namespace {

// The folders the serial-lock convention uses, in the order Qt's serial layer tries them.
constexpr const char* kLockFolders[] = {"/var/lock",         "/etc/locks", "/var/spool/locks",
                                        "/var/spool/uucp",   "/tmp",       "/var/tmp",
                                        "/var/lock/lockdev", "/run/lock"};

// A lock file names its holder's process on its first line; a lock left by a process that
// is gone holds nothing.
bool locked_by_live_process(const std::string& device) {
    for (const char* folder : kLockFolders) {
        const std::string name = lock_file_name(folder, device);
        // Anyone may put a FIFO in /tmp under a lock's name: it is not a lock, and an open
        // would wait on it.
        if (!posix::unwaitable_refusal(name).empty()) {
            continue;
        }
        std::ifstream lock(name);
        long pid = 0;
        if (lock >> pid && pid > 0 && pid != ::getpid() &&
            (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string lock_file_name(const std::string& folder, const std::string& device) {
    std::string name = device.starts_with("/dev/") ? device.substr(5) : device;
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    return folder + "/LCK.." + name;
}

platform::PortState probe_port(const std::string& device) {
    using platform::PortState;
    struct stat info {};
    if (device.empty() || ::stat(device.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) {
        return PortState::Absent;
    }
    if (locked_by_live_process(device)) {
        return PortState::Busy;
    }
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        switch (errno) {
        case EACCES:
        case EPERM:
            return PortState::PermissionRefused;
        case EBUSY:
            return PortState::Busy;
        default: // no device behind the node, or a terminal nobody serves
            return PortState::Absent;
        }
    }
    // An exclusive open refuses everyone else but the superuser: it counts for all.
    int exclusive = 0;
    const bool held = ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
    termios settings{};
    const bool terminal = ::tcgetattr(fd, &settings) == 0;
    ::close(fd);
    if (held) {
        return PortState::Busy;
    }
    return terminal ? PortState::Free : PortState::Absent;
}

} // namespace kelvo::qt
