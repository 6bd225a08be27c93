// The port named on the command line.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/port_option.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

TEST(PortOption, AcceptsComOneToSixteenAndAbsoluteDevicesOnly) {
    EXPECT_EQ(parse_port_option("COM1").value().number, 1);
    EXPECT_EQ(parse_port_option("com16").value().number, 16);
    const auto device = parse_port_option("/dev/ttyUSB0");
    ASSERT_TRUE(device);
    EXPECT_EQ(device.value().number, 0);
    EXPECT_EQ(device.value().device, "/dev/ttyUSB0");
    for (const char* bad :
         {"", "COM", "COM0", "COM17", "COM05", "COM1x", "CON1", "ttyUSB0", "/", "COM100", "7"}) {
        EXPECT_FALSE(parse_port_option(bad)) << bad;
    }
}

} // namespace
} // namespace kelvo
