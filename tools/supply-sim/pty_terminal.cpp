// SPDX-License-Identifier: GPL-3.0-or-later
#include "pty_terminal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace kelvo::sim {

bool Terminal::open_new() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        return false;
    }
    path = ptsname(master);
    slave = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) {
        return false;
    }
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(slave, TCSANOW, &t);
    fcntl(master, F_SETFL, O_NONBLOCK);
    return true;
}

void Terminal::close_all() {
    if (slave >= 0) {
        ::close(slave);
    }
    if (master >= 0) {
        ::close(master);
    }
    master = slave = -1;
}

void announce(const Terminal& terminal, const Options& o) {
    if (!o.link.empty()) {
        ::unlink(o.link.c_str());
        if (::symlink(terminal.path.c_str(), o.link.c_str()) != 0) {
            std::fprintf(stderr, "kelvo-supply-sim: cannot link %s: %s\n", o.link.c_str(),
                         std::strerror(errno));
        }
    }
    std::printf("%s\n", terminal.path.c_str());
    std::fflush(stdout);
}

} // namespace kelvo::sim
