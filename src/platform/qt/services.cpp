#include "platform/qt/services.h"
#include "platform/qt/application.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo::qt {

// ---- screen -------------------------------------------------------------------------------

namespace {

QSize screen_pixels() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->size() : QSize(1440, 900);
}

} // namespace

double QtScreen::width_twips() const {
    return screen_pixels().width() * twips_per_px_x();
}
double QtScreen::height_twips() const {
    return screen_pixels().height() * twips_per_px_y();
}
double QtScreen::twips_per_pixel_x() const {
    return twips_per_px_x();
}
double QtScreen::twips_per_pixel_y() const {
    return twips_per_px_y();
}

// ---- clock --------------------------------------------------------------------------------

QString without_time_zone(const QString& format) {
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            result += c;
            continue;
        }
        if (quoted || c != QLatin1Char('t')) {
            result += c;
            continue;
        }
        // The time-zone token and the blanks that set it apart.
        while (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('t')) {
            ++i;
        }
        const bool at_start = result.trimmed().isEmpty();
        while (!result.isEmpty() && result.back().isSpace()) {
            result.chop(1);
        }
        if (at_start) {
            while (i + 1 < format.size() && format.at(i + 1).isSpace()) {
                ++i;
            }
        }
    }
    return result;
}

platform::DateTime QtClock::now() const {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

std::string QtClock::time_text(const platform::DateTime& moment) const {
    const QLocale locale = QLocale::system();
    const QTime time(moment.hour, moment.minute, moment.second);
    return utf8(locale.toString(time, without_time_zone(locale.timeFormat(QLocale::LongFormat))));
}

// ---- message boxes ------------------------------------------------------------------------

void QtMessageBox::show(const std::string& prompt, const std::string& title) {
    QMessageBox box(QMessageBox::NoIcon, title.empty() ? QStringLiteral("KELVO") : qstr(title),
                    qstr(prompt), QMessageBox::Ok, parent_);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

// ---- files --------------------------------------------------------------------------------

StdFileSystem::StdFileSystem(std::string program_folder) : folder_(std::move(program_folder)) {
    while (folder_.size() > 1 && folder_.back() == '/') {
        folder_.pop_back();
    }
}

bool StdFileSystem::folder_exists(const std::string& path) const {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

bool StdFileSystem::file_exists(const std::string& path) const {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    return std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

std::string StdFileSystem::create_folder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) != 0) {
        return std::strerror(errno);
    }
    return {};
}

std::string StdFileSystem::write_new_file(const std::string& path, const std::string& bytes) {
    // Never over an existing file: a record is written once, in one go.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return std::strerror(errno);
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::string reason = std::strerror(errno);
            ::close(fd);
            return reason;
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        return std::strerror(errno);
    }
    return {};
}

} // namespace kelvo::qt
