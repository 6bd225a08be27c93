// The fake's own rules that scenario tests rely on without saying so.
#include "fake/fake_platform.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace kelvo::fake {
namespace {

TEST(FakeControls, ListSelectionAndEditing) {
    FakeListBox list;
    int clicks = 0;
    list.on_click([&] { ++clicks; });
    list.add_item("a");
    list.add_item("b");
    list.set_selected_index(1);
    list.set_selected_index(1);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(list.text(), "b");
    list.type_edit("zz");
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(list.selected_index(), -1);
    EXPECT_THROW(list.set_selected_index(2), std::out_of_range);
    list.clear();
    EXPECT_EQ(list.text(), "");
    EXPECT_EQ(clicks, 2);
}

TEST(FakeControls, DisabledControlsIgnoreTheUser) {
    FakeForm form;
    int events = 0;
    form.Command1.on_click([&] { ++events; });
    form.Slider1.on_change([&] { ++events; });
    form.Slider1.set_maximum(3100);
    form.Command1.set_enabled(false);
    form.Slider1.set_enabled(false);
    form.Text1.set_enabled(false);
    form.Command1.click();
    form.Slider1.move_to(5);
    form.Text1.type("9V");
    EXPECT_EQ(events, 0);
    EXPECT_EQ(form.Text1.text(), "00.00V");
}

TEST(FakeControls, SliderIsHeldToItsRangeAndReportsOnlyChanges) {
    FakeSlider slider;
    int changes = 0;
    slider.on_change([&] { ++changes; });
    slider.set_maximum(3100);
    slider.move_to(5000);
    EXPECT_EQ(slider.value(), 3100);
    slider.move_to(3100);
    EXPECT_EQ(changes, 1);
}

TEST(FakeControls, TextChangesRaiseChangeEveryTime) {
    FakeTextBox box;
    int changes = 0;
    box.on_change([&] { ++changes; });
    box.set_text("a");
    box.set_text("a");
    box.append_text("b");
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(box.history, (std::vector<std::string>{"a", "a", "ab"}));
    box.append_text("保存路径:\r\n");
    EXPECT_EQ(box.text_length(), 9u);
}

TEST(FakeControls, PrintingMovesToTheNextLineAndClsWipes) {
    FakePictureBox box;
    box.set_current_x(100);
    box.set_current_y(50);
    box.print("one");
    box.print("two");
    ASSERT_EQ(box.printed.size(), 2u);
    EXPECT_EQ(box.printed[0].x, 100);
    EXPECT_EQ(box.printed[1].x, 0);
    EXPECT_EQ(box.printed[1].y, 50 + FakePictureBox::kLineHeight);
    box.set_fore_color(platform::kWhite);
    box.line(0, 0, 10, 10, std::nullopt);
    box.line(0, 0, 10, 10, platform::kGreen);
    EXPECT_EQ(box.lines[0].color, platform::kWhite);
    EXPECT_EQ(box.lines[1].color, platform::kGreen);
    box.cls();
    EXPECT_TRUE(box.printed_lines().empty());
    EXPECT_TRUE(box.lines.empty());
    EXPECT_EQ(box.calls.back(), "cls");
}

TEST(FakeServices, SerialPortOpensOnlyWhatExists) {
    FakeSerialPort port;
    port.ports = {{3, OpenResult::Opened}, {5, OpenResult::PermissionDenied}};
    port.set_port_number(5);
    EXPECT_EQ(port.open(), OpenResult::PermissionDenied);
    port.set_port_number(2);
    EXPECT_EQ(port.open(), OpenResult::Failed);
    EXPECT_EQ(port.read(), std::nullopt);
    port.write("lost");
    port.set_port_number(3);
    EXPECT_EQ(port.open(), OpenResult::Opened);
    EXPECT_EQ(port.open(), OpenResult::Failed); // already open
    EXPECT_TRUE(port.is_open());
    EXPECT_EQ(port.open_attempts, (std::vector<int>{5, 2, 3, 3}));

    port.write("QZ");
    port.write("PPSU");
    EXPECT_EQ(port.written, "QZPPSU");
    EXPECT_EQ(port.writes_while_closed, 1);

    port.queue_read("abc");
    port.fail_next_read();
    EXPECT_EQ(port.read(), std::nullopt);
    EXPECT_EQ(port.read(), "abc");
    EXPECT_EQ(port.read(), "");
}

TEST(FakeServices, ScreenKeepsItsPixelsAcrossTwipsPerPixel) {
    FakeScreen screen;
    EXPECT_EQ(screen.width_twips() / screen.twips_per_pixel_x(), 1440);
    EXPECT_EQ(screen.height_twips() / screen.twips_per_pixel_y(), 900);
    screen.set_pixels(1920, 1080);
    screen.set_twips_per_pixel(12);
    EXPECT_EQ(screen.width_twips(), 1920 * 12);
    EXPECT_EQ(screen.height_twips(), 1080 * 12);
}

TEST(FakeServices, ClockShowsTheHourWithoutLeadingZero) {
    FakeClock clock;
    EXPECT_EQ(clock.time_text({2024, 1, 2, 1, 17, 3}), "1:17:03");
    EXPECT_EQ(clock.time_text({2024, 1, 2, 13, 5, 0}), "13:05:00");
    EXPECT_EQ(clock.time_text({2024, 1, 2, 0, 0, 9}), "0:00:09");
}

TEST(FakeServices, FilesAreWrittenOnceIntoExistingFolders) {
    FakeFileSystem files;
    EXPECT_TRUE(files.folder_exists("/prog"));
    EXPECT_EQ(files.write_new_file("/prog/Record/a.TXT", "x"), "No such file or directory");
    EXPECT_EQ(files.create_folder("/prog/Record"), "");
    EXPECT_EQ(files.write_new_file("/prog/Record/a.TXT", "x"), "");
    EXPECT_EQ(files.write_new_file("/prog/Record/a.TXT", "y"), "File exists");
    EXPECT_EQ(files.files.at("/prog/Record/a.TXT"), "x");

    files.write_error = "No space left on device";
    EXPECT_EQ(files.write_new_file("/prog/Record/b.TXT", "x"), "No space left on device");
    files.create_folder_error = "Permission denied";
    EXPECT_EQ(files.create_folder("/prog/Other"), "Permission denied");
    EXPECT_FALSE(files.folder_exists("/prog/Other"));
}

TEST(FakeServices, RecordSetWalksItsRows) {
    FakeRecordSet records;
    records.rows = {{1.0, 5.0, 1.0, 2.0}, {2.0, std::string("x")}};
    records.refresh();
    EXPECT_EQ(records.record_count(), 2);
    records.move_next();
    EXPECT_EQ(records.field(1), FieldValue{std::string("x")});
    EXPECT_EQ(records.field(3), FieldValue{});
    records.move_next();
    EXPECT_THROW(records.field(0), std::logic_error);
    records.move_first();
    EXPECT_EQ(records.field(1), FieldValue{5.0});

    records.refresh_error = "database is locked";
    EXPECT_THROW(records.refresh(), platform::StartupError);
}

} // namespace
} // namespace kelvo::fake
