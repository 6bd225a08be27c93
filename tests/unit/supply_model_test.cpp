#include "supply_model.h"

#include <gtest/gtest.h>

namespace kelvo::sim {
namespace {

TEST(SupplySim, FindsCommandsInTheStreamByTheirHeader) {
    CommandReader reader;
    // The stream starts anywhere in a frame; a torn frame completes with the next bytes.
    EXPECT_FALSE(reader.feed("0H1500OQZPPSU12"));
    const auto command = reader.feed("00H1500OQZPP");
    ASSERT_TRUE(command);
    EXPECT_EQ(command->voltage_code, 1200);
    EXPECT_EQ(command->current_code, 1500);
    EXPECT_EQ(command->mode, 'H');
    EXPECT_TRUE(command->output_on);
    const auto next = reader.feed("SU0500C0100N");
    ASSERT_TRUE(next);
    EXPECT_EQ(next->voltage_code, 500);
    EXPECT_FALSE(next->output_on);
    EXPECT_FALSE(reader.feed("QZPPSUxxxxH1500O")); // not digits: ignored
}

TEST(SupplySim, ResistiveLoadLimitsAtTheSetCurrent) {
    EXPECT_EQ(reply_frame(measure({1200, 'H', 1500, false}, 10)), "QZPPSU0000A0000W");
    EXPECT_EQ(reply_frame(measure({1200, 'H', 1500, true}, 10)), "QZPPSU1200A1200W");
    // 12 V into 5 ohms wants 2.4 A: limited at 1.5 A, 7.5 V, over-current.
    EXPECT_EQ(reply_frame(measure({1200, 'H', 1500, true}, 5)), "QZPPSU0750A1500B");
}

} // namespace
} // namespace kelvo::sim
