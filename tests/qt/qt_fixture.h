// A program folder of its own for each test, with the built db1.mdb and PPS.ico in it.
#pragma once

#include "app/form1.h"
#include "platform/qt/form.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

namespace kelvo::qt::testing {

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
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary | std::ios::trunc) << bytes;
    }
    void remove(const std::string& name) const { std::filesystem::remove(path_ / name); }

private:
    std::filesystem::path path_;
};

// The real window with Form1 on it, before and after its load step.
class WindowTest : public ::testing::Test {
protected:
    void make() {
        form = std::make_unique<QtForm>(folder.path());
        logic = std::make_unique<Form1>(form->controls());
    }
    void load() {
        make();
        logic->Form_Load();
    }
    void TearDown() override {
        logic.reset();
        form.reset();
    }

    ProgramFolder folder;
    std::unique_ptr<QtForm> form;
    std::unique_ptr<Form1> logic;
};

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

} // namespace kelvo::qt::testing
