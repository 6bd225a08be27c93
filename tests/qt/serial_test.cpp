// The serial port on a real pseudo-terminal, and record files on the real file system.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_fixture.h"

#include <cerrno>
#include <cstring>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kelvo::qt::testing {
namespace {

class SerialTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(terminal.slave().empty());
        DeviceMap map;
        map[2] = terminal.slave(); // COM3
        port = std::make_unique<QtSerialPort>(map);
        port->set_settings("9600,N,8,1");
        port->set_port_number(1);
        EXPECT_EQ(port->open(), platform::OpenResult::Failed);
        port->set_port_number(3);
        ASSERT_EQ(port->open(), platform::OpenResult::Opened);
    }

    PseudoTerminal terminal;
    std::unique_ptr<QtSerialPort> port;
};

TEST_F(SerialTest, EveryByteValuePassesBothWays) {
    EXPECT_EQ(port->read(), std::optional<std::string>(""));
    std::string all(256, '\0');
    for (int i = 0; i < 256; ++i) {
        all[static_cast<std::size_t>(i)] = static_cast<char>(i);
    }
    port->write(all);
    EXPECT_EQ(terminal.received(all.size()), all);
    terminal.send(all);
    std::string got;
    wait_until([&] {
        got += port->read().value_or("");
        return got.size() >= all.size();
    });
    EXPECT_EQ(got, all);
    port->close();
    EXPECT_EQ(port->read(), std::nullopt);
}

TEST_F(SerialTest, AHeldLineDeliversAtMostOneFrameOfOldCharacters) {
    // Flow control holds the line, as a supply that stops taking characters does.
    const int line = ::open(terminal.slave().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(line, 0);
    ::tcflow(line, TCOOFF);
    std::string old;
    for (int i = 0; i < 600; ++i) {
        old += static_cast<char>('a' + i % 26);
        port->write(old.substr(old.size() - 1));
    }
    ::tcflow(line, TCOON);
    port->write("NOW");
    std::string got;
    EXPECT_TRUE(wait_until([&] {
        got += terminal.drain();
        return got.ends_with("NOW");
    }));
    const std::string stale = got.substr(0, got.size() - 3);
    EXPECT_LE(stale.size(), QtSerialPort::kMaxUnsent) << stale;
    EXPECT_TRUE(old.ends_with(stale)) << stale;
    ::close(line);
}

TEST_F(SerialTest, KeepsOnlyTheNewestBytesReceivedBetweenReads) {
    const auto unread = [&] {
        int bytes = 0;
        ::ioctl(port->port().handle(), FIONREAD, &bytes);
        return bytes;
    };
    int arrivals = 0;
    QObject::connect(&port->port(), &QSerialPort::readyRead, [&] { ++arrivals; });
    std::string all;
    for (int i = 0; i < 64; ++i) {
        const std::string chunk(1000, static_cast<char>('a' + i % 26));
        const int before = arrivals;
        terminal.send(chunk);
        all += chunk;
        ASSERT_TRUE(wait_until([&] { return arrivals > before && unread() == 0; }));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(port->read(), all.substr(all.size() - QtSerialPort::kMaxReceived));
}

TEST(Files, ARecordNeverReplacesAnEarlierOne) {
    ProgramFolder folder;
    posix::StdFileSystem files(folder.path());
    const std::string record = folder.file("Record");
    EXPECT_EQ(files.create_folder(record), "");
    const std::string file = record + "/20261206120000.TXT";
    EXPECT_EQ(files.write_new_file(file, "first\r\n"), "");
    EXPECT_EQ(files.write_new_file(file, "second\r\n"), std::strerror(EEXIST));
    EXPECT_EQ(files.read_file(file, platform::FileSystem::kNoSizeLimit), "first\r\n");
    EXPECT_EQ(files.write_new_file(folder.file("none/x.TXT"), "x"), std::strerror(ENOENT));
}

TEST(Files, APlantedFifoIsNotWaitedOnAndAPlantedLinkIsReplacedNotFollowed) {
    ProgramFolder folder;
    posix::StdFileSystem files(folder.path());
    const std::string fifo = folder.file("limits.conf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Without a writer an open for reading would wait for ever.
    EXPECT_EQ(files.read_file(fifo, 4096), std::nullopt);
    const std::string big = folder.file("big");
    EXPECT_EQ(files.write_new_file(big, std::string(5000, 'x')), "");
    EXPECT_EQ(files.read_file(big, 4096), std::nullopt);
    EXPECT_EQ(files.read_file(big, 5000)->size(), 5000u);

    // A link where the file goes, to a file of the user's elsewhere: that file is untouched.
    const std::string target = folder.file("precious");
    EXPECT_EQ(files.write_new_file(target, "keep\n"), "");
    const std::string link = folder.file("limits-link.conf");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_EQ(files.replace_file(link, "max-voltage=5\n"), "");
    EXPECT_EQ(files.read_file(target, 4096), "keep\n");
    EXPECT_EQ(files.read_file(link, 4096), "max-voltage=5\n");
    struct stat info {};
    ASSERT_EQ(::lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    // And a FIFO under the name is replaced as well, never opened.
    EXPECT_EQ(files.replace_file(fifo, "max-time=60\n"), "");
    EXPECT_EQ(files.read_file(fifo, 4096), "max-time=60\n");
}

} // namespace
} // namespace kelvo::qt::testing
