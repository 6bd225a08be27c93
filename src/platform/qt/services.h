// platform/qt/: the screen, the clock, message boxes and the program's files.
#pragma once

#include "platform/services.h"

#include <QString>

class QWidget;

namespace kelvo::qt {

class QtScreen final : public platform::Screen {
public:
    double width_twips() const override;
    double height_twips() const override;
    double twips_per_pixel_x() const override;
    double twips_per_pixel_y() const override;
};

// A locale's time format without its time-zone part ("h:mm:ss AP t" gives "h:mm:ss AP").
QString without_time_zone(const QString& format);

class QtClock final : public platform::Clock {
public:
    platform::DateTime now() const override;
    std::string time_text(const platform::DateTime& moment) const override;
};

class QtMessageBox final : public platform::MessageBox {
public:
    explicit QtMessageBox(QWidget* parent) : parent_(parent) {}
    void show(const std::string& prompt, const std::string& title) override;

private:
    QWidget* parent_;
};

class StdFileSystem final : public platform::FileSystem {
public:
    explicit StdFileSystem(std::string program_folder);
    std::string program_folder() const override { return folder_; }
    bool folder_exists(const std::string& path) const override;
    bool file_exists(const std::string& path) const override;
    std::string create_folder(const std::string& path) override;
    std::string write_new_file(const std::string& path, const std::string& bytes) override;

private:
    std::string folder_;
};

} // namespace kelvo::qt
