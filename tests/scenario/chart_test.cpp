// The live charts tick by tick: the frame, the stepped traces, the sweep and its restarts.
#include "scenario/supply_fixture.h"

#include <vector>

namespace kelvo::testing {
namespace {

using fake::FakePictureBox;
using LineStyle = FakePictureBox::LineStyle;

// The frame in design units.
constexpr float kValueTextY[] = {2300, 1900, 1500, 1100, 700, 300};
constexpr float kRowY[] = {2500, 2100, 1700, 1300, 900, 500};
constexpr int kFrameLines = 6 + 11;

class ChartTest : public SupplyTest {
protected:
    FakePictureBox& volts() { return ui.Picture1_0; }
    FakePictureBox& amps() { return ui.Picture1_1; }

    // Attached, output switched on and the frame redrawn: the next second draws segment 1.
    void start_sweep(const std::string& volts_field, const std::string& amps_field) {
        attach_supply(volts_field, amps_field);
        ui.Command1.click();
        second();
        ASSERT_EQ(form.chart_sample_index, 1);
    }

    // Segment n as drawn: a riser at its left end, then the run back from its right end.
    static void expect_segment(const FakePictureBox& box, int n, float from_y, float to_y,
                               platform::Color color, float sx = 1, float sy = 1) {
        SCOPED_TRACE("segment " + std::to_string(n));
        const auto first = static_cast<std::size_t>(kFrameLines + 2 * (n - 1));
        ASSERT_GE(box.lines.size(), first + 2);
        const float left = static_cast<float>(700 + 80 * (n - 1)) * sx;
        const float right = static_cast<float>(700 + 80 * n) * sx;
        const FakePictureBox::Line& riser = box.lines[first];
        const FakePictureBox::Line& run = box.lines[first + 1];
        EXPECT_FLOAT_EQ(riser.x1, left);
        EXPECT_FLOAT_EQ(riser.x2, left);
        EXPECT_FLOAT_EQ(riser.y1, from_y * sy);
        EXPECT_FLOAT_EQ(riser.y2, to_y * sy);
        EXPECT_FLOAT_EQ(run.x1, right);
        EXPECT_FLOAT_EQ(run.x2, left);
        EXPECT_FLOAT_EQ(run.y1, to_y * sy);
        EXPECT_FLOAT_EQ(run.y2, to_y * sy);
        for (const auto* line : {&riser, &run}) {
            EXPECT_EQ(line->color, color);
            EXPECT_EQ(line->style, LineStyle::Solid);
            EXPECT_EQ(line->width, 1);
        }
    }

    static void expect_frame(const FakePictureBox& box, const std::string& unit,
                             const std::vector<std::string>& values, float sx, float sy) {
        ASSERT_EQ(box.printed.size(), 1u + 6 + 11);
        EXPECT_EQ(box.printed[0].text, unit);
        EXPECT_FLOAT_EQ(box.printed[0].x, 200 * sx);
        EXPECT_FLOAT_EQ(box.printed[0].y, 2700 * sy);
        for (std::size_t row = 0; row < 6; ++row) {
            const auto& number = box.printed[1 + row];
            EXPECT_EQ(number.text, values[row]);
            EXPECT_FLOAT_EQ(number.x, 200 * sx);
            EXPECT_FLOAT_EQ(number.y, kValueTextY[row] * sy);
        }
        for (int column = 0; column <= 10; ++column) {
            const auto& number = box.printed[7 + static_cast<std::size_t>(column)];
            EXPECT_EQ(number.text, " " + std::to_string(10 * column));
            EXPECT_FLOAT_EQ(number.x, static_cast<float>(600 + 800 * column) * sx);
            EXPECT_FLOAT_EQ(number.y, 2800 * sy);
        }

        ASSERT_EQ(box.lines.size(), static_cast<std::size_t>(kFrameLines));
        for (std::size_t row = 0; row < 6; ++row) {
            const auto& line = box.lines[row];
            EXPECT_FLOAT_EQ(line.x1, 600 * sx);
            EXPECT_FLOAT_EQ(line.x2, 9000 * sx);
            EXPECT_FLOAT_EQ(line.y1, kRowY[row] * sy);
            EXPECT_FLOAT_EQ(line.y2, kRowY[row] * sy);
        }
        for (int column = 0; column <= 10; ++column) {
            const auto& line = box.lines[6 + static_cast<std::size_t>(column)];
            EXPECT_FLOAT_EQ(line.x1, static_cast<float>(700 + 800 * column) * sx);
            EXPECT_FLOAT_EQ(line.x2, line.x1);
            EXPECT_FLOAT_EQ(line.y1, 2600 * sy);
            EXPECT_FLOAT_EQ(line.y2, 400 * sy);
        }
        for (const auto& line : box.lines) {
            EXPECT_EQ(line.color, platform::kWhite);
            EXPECT_EQ(line.style, LineStyle::Dotted);
            EXPECT_EQ(line.width, 1);
        }
        EXPECT_TRUE(box.auto_redraw);
    }
};

TEST_F(ChartTest, FrameIsDrawnAtTheScreensScaleOnTheFirstTick) {
    ui.screen.set_pixels(1920, 1080);
    tick();
    EXPECT_EQ(form.chart_sample_index, 1);
    const float sx = 1.3333334f;
    const float sy = 1.2f;
    {
        SCOPED_TRACE("voltage chart");
        expect_frame(volts(), "V", {" 0", " 10", " 20", " 30", " 40", " 50"}, sx, sy);
    }
    {
        SCOPED_TRACE("current chart");
        expect_frame(amps(), "A", {" 0", " 1", " 2", " 3", " 4", " 5"}, sx, sy);
    }
}

TEST_F(ChartTest, TraceIsAStaircaseOfTheReadings) {
    start_sweep("0000", "0000");
    answer("3099", "5100");
    second();
    expect_segment(volts(), 1, 2500, 1260.4f, platform::kGreen);
    expect_segment(amps(), 1, 2500, 460, platform::kRed);
    answer("1000", "0000");
    second();
    answer("2000", "0000");
    second();
    expect_segment(volts(), 2, 1260.4f, 2100, platform::kGreen);
    expect_segment(amps(), 2, 460, 2500, platform::kRed);
    expect_segment(volts(), 3, 2100, 1700, platform::kGreen);
    expect_segment(amps(), 3, 2500, 2500, platform::kRed);
    EXPECT_EQ(form.chart_sample_index, 4);
}

TEST_F(ChartTest, FullSweepPausesOneSecondThenStartsAgainOnAFreshFrame) {
    for (int i = 0; i < 110; ++i) {
        answer("1000", "0500"); // one reply per read second keeps the link up
    }
    start_sweep("1000", "0500");
    second(99);
    ASSERT_EQ(volts().lines.size(), static_cast<std::size_t>(kFrameLines + 2 * 99));
    expect_segment(volts(), 99, 2100, 2100, platform::kGreen);
    expect_segment(amps(), 99, 2300, 2300, platform::kRed);
    EXPECT_FLOAT_EQ(volts().lines.back().x1, 8620);
    EXPECT_EQ(form.chart_sample_index, 100);

    const int clears = volts().cls_count;
    const std::size_t drawn = volts().calls.size();
    second();
    EXPECT_EQ(form.chart_sample_index, 0);
    EXPECT_EQ(volts().calls.size(), drawn); // nothing at all this second
    second();
    EXPECT_EQ(volts().cls_count, clears + 1);
    EXPECT_EQ(volts().lines.size(), static_cast<std::size_t>(kFrameLines));
    EXPECT_EQ(form.chart_sample_index, 1);
    second();
    expect_segment(volts(), 1, 2100, 2100, platform::kGreen);
}

TEST_F(ChartTest, OutputOffPausesTheSweepAndOnRestartsIt) {
    start_sweep("1000", "0500");
    second(3);
    ASSERT_EQ(form.chart_sample_index, 4);
    ui.Command1.click();
    const std::size_t drawn = volts().calls.size();
    answer("2000", "0500");
    second(5);
    EXPECT_EQ(volts().calls.size(), drawn);
    EXPECT_EQ(amps().lines.size(), static_cast<std::size_t>(kFrameLines + 2 * 3));
    EXPECT_EQ(form.chart_sample_index, 4);

    const int clears = volts().cls_count;
    ui.Command1.click();
    EXPECT_EQ(form.chart_sample_index, 0);
    second();
    EXPECT_EQ(volts().cls_count, clears + 1);
    EXPECT_EQ(amps().cls_count, clears + 1);
    EXPECT_EQ(form.chart_sample_index, 1);
    second();
    // The readings went on being kept while nothing was drawn.
    expect_segment(volts(), 1, 1700, 1700, platform::kGreen);
}

TEST_F(ChartTest, NewScreenSizeRedrawsAtOnceAndRestartsAtSegmentOne) {
    start_sweep("1000", "0500");
    second(3);
    ui.screen.set_pixels(1920, 1080);
    const int clears = volts().cls_count;
    tick(); // not a display second
    EXPECT_EQ(volts().cls_count, clears + 1);
    EXPECT_EQ(form.chart_sample_index, 1);
    ASSERT_EQ(volts().lines.size(), static_cast<std::size_t>(kFrameLines));
    EXPECT_FLOAT_EQ(volts().lines[0].x2, 9000 * 1.3333334f);
    EXPECT_FLOAT_EQ(volts().lines[0].y1, 2500 * 1.2f);
    EXPECT_FLOAT_EQ(ui.Picture1_0.geometry->width, 13300);
    tick(9);
    expect_segment(volts(), 1, 2100, 2100, platform::kGreen, 1.3333334f, 1.2f);
    expect_segment(amps(), 1, 2300, 2300, platform::kRed, 1.3333334f, 1.2f);
}

} // namespace
} // namespace kelvo::testing
