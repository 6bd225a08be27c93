// The simulated supply's opt-in faults and logs: a voltmeter that reads high, and the
// choice of the received commands its output log keeps, in the log's own words.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "supply_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvo::sim {
namespace {

Command on(int voltage_code, int current_code) {
    return {voltage_code, 'H', current_code, true};
}

std::string frame(const char* voltage, const char* current, char output) {
    return std::string("QZPPSU") + voltage + "H" + current + output;
}

// What the log holds after the supply receives `reads`, one read after the other, each
// read's lines stamped with its index.
std::string logged(const std::vector<std::string>& reads) {
    CommandReader reader;
    OutputChanges changes;
    std::string log;
    for (std::size_t i = 0; i < reads.size(); ++i) {
        for (const Command& command : reader.feed_all(reads[i])) {
            if (changes.worth_a_line(command)) {
                log += output_log_line(static_cast<long long>(i), command);
            }
        }
    }
    return log;
}

TEST(SimReadHigh, AddsTheOffsetInTenMillivoltsOnTopOfWhatTheLoadTakes) {
    // 5 V into 10 ohm within a 1 A limit, 2 V high: the frame says 7 V and the true 0.5 A.
    const Command command = on(500, 1000);
    EXPECT_EQ(reply_frame(read_high(command, measure(command, 10), 2)), "QZPPSU0700A0500W");
    EXPECT_EQ(read_high(command, measure(command, 10), 1.5).voltage_code, 650);
    EXPECT_EQ(read_high(command, measure(command, 10), 0.006).voltage_code, 501);
    EXPECT_EQ(read_high(command, measure(command, 10), 0.004).voltage_code, 500);
    EXPECT_EQ(read_high(command, measure(command, 10), 0).voltage_code, 500);
}

TEST(SimReadHigh, KeepsCurrentAndOverCurrentAndStopsAtTheTopOfTheScale) {
    // 20 V into 1 ohm with a 2 A limit: limits at 2 V and reports B; the offset rides on it.
    const Command limited = on(2000, 2000);
    const Reading reading = read_high(limited, measure(limited, 1), 1);
    EXPECT_EQ(reply_frame(reading), "QZPPSU0300A2000B");

    const Command high = on(9950, 9999);
    EXPECT_EQ(read_high(high, measure(high, 10), 1).voltage_code, 9999);
    EXPECT_EQ(read_high(high, measure(high, 10), 1e300).voltage_code, 9999);
}

TEST(SimReadHigh, WithTheOutputOffStillReadsNothing) {
    Command off = on(500, 1000);
    off.output_on = false;
    EXPECT_EQ(reply_frame(read_high(off, measure(off, 10), 2)), "QZPPSU0000A0000W");
}

TEST(SimOutputLog, KeepsTheFirstFrameEachSwitchAndEachNewVoltage) {
    EXPECT_EQ(logged({frame("0500", "1000", 'N'), frame("0500", "1000", 'N'),
                      frame("0500", "1000", 'O'), frame("0500", "1000", 'O'),
                      frame("0500", "2000", 'O'), // a new current alone is no line
                      frame("0750", "2000", 'O'), frame("0750", "2000", 'N'),
                      frame("0100", "2000", 'N')}),
              "0 N 0500 1000\n"
              "2 O 0500 1000\n"
              "5 O 0750 2000\n"
              "6 N 0750 2000\n"
              "7 N 0100 2000\n");
}

TEST(SimOutputLog, StampsAFrameWithTheReadThatCompletesItAndSeesEveryFrameOfARead) {
    const std::string first = frame("0500", "1000", 'N');
    const std::string switch_on = frame("0500", "1000", 'O');
    EXPECT_EQ(logged({first.substr(0, 9), first.substr(9) + switch_on.substr(0, 15),
                      switch_on.substr(15) + frame("0500", "1000", 'N') + switch_on}),
              "1 N 0500 1000\n"
              "2 O 0500 1000\n"
              "2 N 0500 1000\n"
              "2 O 0500 1000\n");
}

TEST(SimOutputLog, LeavesTheSupplyObeyingOnlyTheNewestFrameOfARead) {
    CommandReader reader;
    const auto newest = reader.feed(frame("0500", "1000", 'O') + frame("0300", "0200", 'N'));
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->voltage_code, 300);
    EXPECT_FALSE(newest->output_on);
}

TEST(SimOutputLog, IgnoresFramesThatAreNotWellFormed) {
    EXPECT_EQ(
        logged({frame("0500", "1000", 'N'), frame("05x0", "1000", 'O'), frame("0500", "1000", 'X'),
                "QZPPSU0500Z1000O", "garbage QZPPSU07", "00H1000N"}),
        "0 N 0500 1000\n"
        "5 N 0700 1000\n");
}

TEST(SimOutputLog, WritesWallClockMillisecondsAndFourDigitCodes) {
    Command command = on(5, 42);
    command.mode = 'C';
    EXPECT_EQ(output_log_line(1765253407123LL, command), "1765253407123 O 0005 0042\n");
}

} // namespace
} // namespace kelvo::sim
