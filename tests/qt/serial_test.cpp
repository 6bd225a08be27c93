// The serial port on a real pseudo-terminal, the port-number map, and the small services.
#include "qt_fixture.h"

#include <QLocale>
#include <QTime>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace kelvo::qt::testing {
namespace {

TEST(DeviceMap, NumbersMapToSerialThenUsbThenAcmDevices) {
    const DeviceMap map = device_map(nullptr);
    EXPECT_EQ(map[0], "/dev/ttyS0");
    EXPECT_EQ(map[3], "/dev/ttyS3");
    EXPECT_EQ(map[4], "/dev/ttyUSB0");
    EXPECT_EQ(map[11], "/dev/ttyUSB7");
    EXPECT_EQ(map[12], "/dev/ttyACM0");
    EXPECT_EQ(map[15], "/dev/ttyACM3");
}

TEST(DeviceMap, AGivenListReplacesTheWholeMap) {
    const DeviceMap map = device_map("/dev/pts/7::/dev/pts/9");
    EXPECT_EQ(map[0], "/dev/pts/7");
    EXPECT_EQ(map[1], "");
    EXPECT_EQ(map[2], "/dev/pts/9");
    EXPECT_EQ(map[15], "");
    EXPECT_EQ(device_map("")[0], "");

    std::string long_list;
    for (int i = 1; i <= 18; ++i) {
        long_list += "/dev/d" + std::to_string(i) + ":";
    }
    EXPECT_EQ(device_map(long_list.c_str())[15], "/dev/d16");
}

class SerialTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(terminal.slave().empty());
        DeviceMap map;
        map[2] = terminal.slave(); // COM3
        map[4] = "/dev/kelvo-no-such-device";
        port = std::make_unique<QtSerialPort>(map);
        port->set_settings("9600,N,8,1");
    }

    PseudoTerminal terminal;
    std::unique_ptr<QtSerialPort> port;
};

TEST_F(SerialTest, OpensOnlyMappedDevicesThatExist) {
    for (const int number : {1, 5, 0, 17}) {
        port->set_port_number(number);
        EXPECT_EQ(port->open(), platform::OpenResult::Failed) << number;
        EXPECT_FALSE(port->is_open());
    }
    port->set_port_number(3);
    EXPECT_EQ(port->port_number(), 3);
    ASSERT_EQ(port->open(), platform::OpenResult::Opened);
    EXPECT_TRUE(port->is_open());
    EXPECT_EQ(port->open(), platform::OpenResult::Failed); // already ours
    EXPECT_EQ(port->port().baudRate(), 9600);
    EXPECT_EQ(port->port().parity(), QSerialPort::NoParity);
    port->close();
    port->close();
    EXPECT_FALSE(port->is_open());
    EXPECT_EQ(port->read(), std::nullopt);
}

TEST_F(SerialTest, EveryByteValuePassesBothWays) {
    port->set_port_number(3);
    ASSERT_EQ(port->open(), platform::OpenResult::Opened);
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
}

TEST_F(SerialTest, AHeldLineDeliversAtMostOneFrameOfOldCharacters) {
    port->set_port_number(3);
    ASSERT_EQ(port->open(), platform::OpenResult::Opened);
    // Flow control holds the line, as a supply or an adapter that stops taking characters
    // does: the driver refuses every write until it is let go.
    const int line = ::open(terminal.slave().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(line, 0);

    // A short hold loses nothing.
    ASSERT_EQ(::tcflow(line, TCOOFF), 0);
    for (const char c : std::string("0123456789")) {
        port->write(std::string(1, c));
    }
    ::tcflow(line, TCOON);
    port->write("A");
    EXPECT_EQ(terminal.received(11), "0123456789A");

    // Three seconds of the send stream into a held line, then the current frame.
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
    EXPECT_TRUE(old.ends_with(stale)) << stale; // the newest of them, in order
    EXPECT_EQ(port->port().bytesToWrite(), 0);  // QSerialPort never watched for room
    ::close(line);
}

TEST_F(SerialTest, KeepsOnlyTheNewestBytesReceivedBetweenReads) {
    port->set_port_number(3);
    ASSERT_EQ(port->open(), platform::OpenResult::Opened);
    const auto unread = [&] {
        int bytes = 0;
        ::ioctl(port->port().handle(), FIONREAD, &bytes);
        return bytes;
    };
    int arrivals = 0;
    QObject::connect(&port->port(), &QSerialPort::readyRead, [&] { ++arrivals; });
    // A flood far beyond what the once-a-second read could use, taken as it comes.
    std::string all;
    for (int i = 0; i < 64; ++i) {
        const std::string chunk(1000, static_cast<char>('a' + i % 26));
        const int before = arrivals;
        terminal.send(chunk);
        all += chunk;
        ASSERT_TRUE(wait_until([&] { return arrivals > before && unread() == 0; }));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(wait_until([&] { return unread() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(port->port().bytesAvailable(), 0); // nothing piles up in QSerialPort
    EXPECT_EQ(port->read(), all.substr(all.size() - QtSerialPort::kMaxReceived));
    EXPECT_EQ(port->read(), std::optional<std::string>(""));
}

TEST_F(SerialTest, WritesFromAnotherThreadStopAtTheClose) {
    port->set_port_number(3);
    std::atomic<bool> done{false};
    std::thread sender([&] {
        while (!done) {
            if (port->is_open()) {
                port->write(std::string(16, 'x'));
            }
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(port->open(), platform::OpenResult::Opened);
        EXPECT_FALSE(terminal.received(1).empty());
        EXPECT_TRUE(port->read().has_value());
        port->close();
        EXPECT_FALSE(port->is_open());
        terminal.drain();
    }
    // The sender goes on trying, but nothing reaches the line once the port is closed.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(terminal.drain(), "");
    done = true;
    sender.join();
}

TEST_F(SerialTest, AVanishedDeviceClosesThePortAndFailsTheRead) {
    port->set_port_number(3);
    ASSERT_EQ(port->open(), platform::OpenResult::Opened);
    terminal.hang_up();
    EXPECT_TRUE(wait_until([&] { return !port->is_open(); }));
    EXPECT_EQ(port->read(), std::nullopt);
    port->write("ignored");
}

TEST_F(SerialTest, AWriteIntoAVanishedDeviceFailsTheNextRead) {
    port->set_port_number(3);
    ASSERT_EQ(port->open(), platform::OpenResult::Opened);
    terminal.hang_up();
    // Before the window's thread hears of it: the send stream is first to find out.
    port->write("x");
    EXPECT_EQ(port->read(), std::nullopt);
    EXPECT_FALSE(port->is_open());
    EXPECT_FALSE(port->port().isOpen());
}

TEST(SerialSettings, MalformedSettingsAreRefused) {
    QtSerialPort port{DeviceMap{}};
    EXPECT_NO_THROW(port.set_settings("19200,E,7,2"));
    EXPECT_THROW(port.set_settings("fast,N,8,1"), std::invalid_argument);
    EXPECT_THROW(port.set_settings("9600,X,8,1"), std::invalid_argument);
    EXPECT_THROW(port.set_settings("9600,N,9,1"), std::invalid_argument);
}

TEST(Clock, TimeTextLeavesTheTimeZoneOut) {
    EXPECT_EQ(without_time_zone(QStringLiteral("h:mm:ss AP t")), QStringLiteral("h:mm:ss AP"));
    EXPECT_EQ(without_time_zone(QStringLiteral("HH:mm:ss tttt")), QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(without_time_zone(QStringLiteral("t HH:mm:ss")), QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(without_time_zone(QStringLiteral("HH:mm:ss t 'Uhr'")),
              QStringLiteral("HH:mm:ss 'Uhr'"));
    EXPECT_EQ(without_time_zone(QStringLiteral("HH 'at' mm")), QStringLiteral("HH 'at' mm"));

    const QtClock clock;
    const std::string text = clock.time_text({2026, 12, 6, 13, 5, 9});
    EXPECT_NE(text.find("05:09"), std::string::npos) << text;
    const platform::DateTime now = clock.now();
    EXPECT_GE(now.year, 2024);
    EXPECT_EQ(now.hour, QTime::currentTime().hour());
}

TEST(Screen, ReportsPixelsAsTwips) {
    const QtScreen screen;
    EXPECT_DOUBLE_EQ(screen.twips_per_pixel_x(), 15.0); // 96 dots per inch offscreen
    EXPECT_DOUBLE_EQ(screen.width_twips() / screen.twips_per_pixel_x(), 800.0);
    EXPECT_DOUBLE_EQ(screen.height_twips() / screen.twips_per_pixel_y(), 800.0);
}

TEST(Files, NewFilesAndFoldersNeverReplaceOldOnes) {
    ProgramFolder folder;
    StdFileSystem files(folder.path() + "/");
    EXPECT_EQ(files.program_folder(), folder.path());
    const std::string record = folder.path() + "/Record";
    EXPECT_FALSE(files.folder_exists(record));
    EXPECT_EQ(files.create_folder(record), "");
    EXPECT_TRUE(files.folder_exists(record));
    EXPECT_FALSE(files.create_folder(record).empty());

    const std::string file = record + "/20261206120000.TXT";
    EXPECT_EQ(files.write_new_file(file, "first\r\n"), "");
    EXPECT_TRUE(files.file_exists(file));
    EXPECT_FALSE(files.file_exists(record));
    EXPECT_EQ(files.write_new_file(file, "second\r\n"), std::strerror(EEXIST));
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "first\r\n");
    EXPECT_EQ(files.write_new_file(folder.path() + "/none/x.TXT", "x"), std::strerror(ENOENT));
}

} // namespace
} // namespace kelvo::qt::testing
