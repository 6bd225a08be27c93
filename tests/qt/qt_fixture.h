// A program folder of its own for each test, the real window, and a pseudo-terminal.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/form1.h"
#include "qt/window/form.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <array>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <linux/capability.h>
#include <memory>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

namespace kelvo::qt::testing {

// A temporary folder holding the built db1.mdb and PPS.ico.
class ProgramFolder {
public:
    ProgramFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kelvo-qt-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
        for (const char* name : {"db1.mdb", "PPS.ico"}) {
            std::filesystem::copy_file(std::filesystem::path(KELVO_ASSETS_DIR) / name,
                                       path_ / name);
        }
    }
    ~ProgramFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    std::string path() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// The real window with Form1 on it, on a folder of its own, made as the program makes them
// and closed model first. Form_Load is run unless the test wants to run it itself.
class WindowFixture : public ::testing::Test {
protected:
    void make_window(bool load = true) {
        form = std::make_unique<QtForm>(folder.path());
        logic = std::make_unique<Form1>(form->controls());
        if (load) {
            logic->Form_Load();
        }
    }
    void close_window() {
        logic.reset();
        form.reset();
    }
    void TearDown() override { close_window(); }

    ProgramFolder folder;
    std::unique_ptr<QtForm> form;
    std::unique_ptr<Form1> logic;
};

// The folder's step table in a real record set, shown in a real grid, both telling
// `reporter` (the test's stand-in for the window's queue); what was open is closed first.
inline void open_step_table(const ProgramFolder& folder, platform::Reporter& reporter,
                            std::unique_ptr<QtRecordSet>& records, std::unique_ptr<QtGrid>& grid) {
    grid.reset();
    records = std::make_unique<QtRecordSet>();
    records->set_database(folder.file("db1.mdb"));
    records->set_record_source("QZ7150PPS1");
    records->refresh();
    records->set_reporter(reporter);
    grid = std::make_unique<QtGrid>(nullptr);
    grid->set_reporter(reporter);
    grid->attach(*records);
    grid->set_data_source(*records);
    grid->refresh();
}

// Lets the event loop run until the condition holds or the time is up.
inline bool wait_until(const std::function<bool()>& condition, int milliseconds = 2000) {
    QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// A user's rights to files while it lives, for a test run as root: the override of file
// permissions is taken from this thread's effective capabilities, then given back.
class UserFileRights {
public:
    UserFileRights() {
        if (::geteuid() != 0) {
            usable_ = true;
            return;
        }
        if (::syscall(SYS_capget, &header_, saved_.data()) != 0) {
            return;
        }
        auto reduced = saved_;
        reduced[0].effective &= ~(1U << CAP_DAC_OVERRIDE);
        usable_ = dropped_ = ::syscall(SYS_capset, &header_, reduced.data()) == 0;
    }
    ~UserFileRights() {
        if (dropped_) {
            ::syscall(SYS_capset, &header_, saved_.data());
        }
    }
    UserFileRights(const UserFileRights&) = delete;
    UserFileRights& operator=(const UserFileRights&) = delete;
    bool usable() const { return usable_; }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    std::array<__user_cap_data_struct, 2> saved_{};
    bool usable_ = false;
    bool dropped_ = false;
};

// The far end of a pseudo-terminal: what a supply would see.
class PseudoTerminal {
public:
    PseudoTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
            slave_ = ::ptsname(master_);
        }
    }
    ~PseudoTerminal() { ::close(master_); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& slave() const { return slave_; }
    void send(const std::string& bytes) const {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Everything that has arrived so far.
    std::string drain() const {
        std::string bytes;
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(master_, buffer, sizeof buffer)) > 0) {
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        return bytes;
    }
    // Reads until the wanted count arrived or the time is up.
    std::string received(std::size_t wanted) const {
        std::string bytes;
        wait_until([&] {
            bytes += drain();
            return bytes.size() >= wanted;
        });
        return bytes;
    }

private:
    int master_ = -1;
    std::string slave_;
};

} // namespace kelvo::qt::testing
