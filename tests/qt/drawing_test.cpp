// The chart boxes draw into a retained image; the monitor keeps the newest lines.
#include "qt_fixture.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace kelvo::qt::testing {
namespace {

class ChartBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        box.set_geometry(0, 0, 3000, 1500); // 200 x 100 pixels at 15 twips a pixel
        box.cls();
    }
    QColor pixel(int x, int y) const { return box.widget()->image().pixelColor(x, y); }

    QWidget client;
    QtPictureBox box{&client};
};

TEST_F(ChartBoxTest, LinesLandInTheImageAtTheirTwips) {
    EXPECT_EQ(box.widget()->image().size(), QSize(200, 100));
    const QColor back = pixel(5, 5);
    EXPECT_EQ(back, QApplication::palette().color(QPalette::ButtonText));

    box.line(150, 300, 1500, 300, platform::kGreen);
    EXPECT_EQ(pixel(50, 20), QColor(0, 255, 0));
    EXPECT_EQ(pixel(50, 22), back);
    EXPECT_FLOAT_EQ(box.current_x(), 1500);

    // Without a colour the fore colour draws; dotted lines leave gaps.
    box.set_fore_color(platform::kRed);
    box.set_draw_style(platform::PictureBox::LineStyle::Dotted);
    box.line(0, 900, 3000, 900, std::nullopt);
    int lit = 0;
    for (int x = 0; x < 200; ++x) {
        lit += pixel(x, 60) == QColor(255, 0, 0) ? 1 : 0;
    }
    EXPECT_GT(lit, 30);
    EXPECT_LT(lit, 170);

    box.cls();
    EXPECT_EQ(pixel(50, 20), back);
    EXPECT_FLOAT_EQ(box.current_x(), 0);
}

TEST_F(ChartBoxTest, PrintWritesAtThePositionAndMovesToTheNextLine) {
    box.set_font_size(9);
    box.set_current_x(1500);
    box.set_current_y(300);
    box.print(" 50");
    int lit = 0;
    const QImage& image = box.widget()->image();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) != pixel(0, 0)) {
                ++lit;
                EXPECT_GE(x, 100);
                EXPECT_GE(y, 20);
            }
        }
    }
    EXPECT_GT(lit, 10);
    EXPECT_FLOAT_EQ(box.current_x(), 0);
    EXPECT_GT(box.current_y(), 300 + 150);
}

TEST_F(ChartBoxTest, ResizingKeepsWhatWasDrawn) {
    box.line(0, 150, 3000, 150, platform::kGreen);
    box.set_geometry(0, 0, 4500, 3000);
    EXPECT_EQ(box.widget()->image().size(), QSize(300, 200));
    EXPECT_EQ(pixel(100, 10), QColor(0, 255, 0));
    EXPECT_NE(pixel(250, 10), QColor(0, 255, 0));
}

TEST(Monitor, KeepsTheNewestLinesWithinItsBytes) {
    MonitorBox monitor;
    // A flooded port: every line far longer than anyone reads.
    const std::string flood(100000, 'x');
    for (int i = 0; i < 1000; ++i) {
        monitor.print(std::to_string(i) + flood);
    }
    monitor.line(0, 0, 100, 100, platform::kRed);
    std::size_t text = 0;
    for (const std::string& line : monitor.lines()) {
        EXPECT_EQ(line.size(), MonitorBox::kMaxLineBytes);
        text += line.size();
    }
    EXPECT_LE(text, MonitorBox::kMaxBytes);
    EXPECT_GT(text, MonitorBox::kMaxBytes * 9 / 10);
    EXPECT_EQ(monitor.lines().back().substr(0, 4), "999x");

    // A cut never splits a character.
    std::string chinese;
    for (int i = 0; i < 1000; ++i) {
        chinese += "无应答";
    }
    monitor.print(chinese);
    EXPECT_EQ(monitor.lines().back(), chinese.substr(0, MonitorBox::kMaxLineBytes / 3 * 3));

    // Empty lines cost room too: a stream of them pushes everything else out, and stops.
    for (int i = 0; i < 100000; ++i) {
        monitor.print("");
    }
    EXPECT_TRUE(monitor.lines().front().empty());
    EXPECT_LT(monitor.lines().size(), 10000U);
    monitor.cls();
    EXPECT_TRUE(monitor.lines().empty());
    monitor.print("after");
    EXPECT_EQ(monitor.lines().size(), 1U);
}

} // namespace
} // namespace kelvo::qt::testing

namespace kelvo::qt::testing {
namespace {

TEST(RecordLogBox, TheDisplayLetsOldLinesGoButTheLogKeepsThemAll) {
    QWidget client;
    QtLogBox log(&client);
    log.set_text("KELVO");
    const int lines = QtLogBox::kShownLogLines + 10;
    for (int i = 0; i < lines; ++i) {
        log.append_text("\r\nline " + std::to_string(i));
    }
    log.set_sel_start(log.text_length());
    EXPECT_EQ(log.widget()->document()->blockCount(), QtLogBox::kShownLogLines);
    EXPECT_TRUE(log.widget()->toPlainText().endsWith(
        QString::fromStdString("line " + std::to_string(lines - 1))));
    EXPECT_EQ(log.text().substr(0, 13), "KELVO\r\nline 0");
    EXPECT_EQ(log.text_length(), log.text().size());
    // A position the display no longer holds puts the caret at its top.
    log.set_sel_start(3);
    EXPECT_EQ(log.widget()->textCursor().position(), 0);
}

} // namespace
} // namespace kelvo::qt::testing
