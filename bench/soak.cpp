// kelvo-soak: the real window and Form1 on the simulated supply for minutes on end, while
// the simulator goes silent, talks garbage, wraps and tears its frames, hangs up and comes
// back, and overloads, and a scripted user keeps the output on, switches it off and on,
// and answers every message box. Prints what it saw; exits 0 when the program came
// through, 1 when it did not.
//   kelvo-soak [--minutes M] [--sim PATH-TO-kelvo-supply-sim]
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "qt/application.h"
#include "qt/window/form.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// One round of the simulator's misbehaviour, in seconds. The silent and garbage phases
// outlast the program's patience with a quiet or garbled link; after the hang-up (back
// after kReturnAfter) the program gets the rest of its phase to find the supply again.
// The hang-up comes early, so that a one-minute soak closes and opens the port under the
// send stream too.
struct Phase {
    double seconds;
    const char* mode;
};
constexpr Phase kRound[] = {{8, "normal"},   {20, "hangup"},   {14, "silent"}, {6, "normal"},
                            {12, "garbage"}, {6, "bytes-255"}, {6, "torn"},    {8, "lower-case"},
                            {4, "normal"},   {12, "overload"}, {4, "normal"}};
constexpr double kReturnAfter = 5;

// What passes.
constexpr double kReconnectLimit = 15;  // s from the supply's return to the port open again
constexpr double kWatchdogLimit = 2;    // s a 100 ms tick may be late
constexpr double kCpuLimit = 50;        // % of one core ...
constexpr int kCpuWindowsAllowed = 1;   // ... for at most this many 5 s windows in a row
constexpr double kCpuWindow = 5;        // s
constexpr double kToggleEvery = 20;     // s between the user's off-and-on
constexpr double kBoxAnsweredAfter = 1; // s a message box stays open
// s after the output went off before pressing ON: now patient, now quick, so that periods
// also end within the same second
constexpr double kOnAgainAfter[] = {1.5, 0.3};

struct Options {
    double minutes = 2;
    std::string sim;
};

[[noreturn]] void usage_error(const std::string& text) {
    std::fprintf(stderr, "kelvo-soak: %s\nusage: kelvo-soak [--minutes M] [--sim PATH]\n",
                 text.c_str());
    std::exit(2);
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) {
            usage_error("missing value after " + a);
        }
        const char* value = argv[++i];
        if (a == "--minutes") {
            char* end = nullptr;
            o.minutes = std::strtod(value, &end);
            if (end == value || *end != '\0' || o.minutes < 0.5 || o.minutes > 240) {
                usage_error("--minutes takes 0.5 to 240");
            }
        } else if (a == "--sim") {
            o.sim = value;
        } else {
            usage_error("unknown option " + a);
        }
    }
    return o;
}

// A phase of the simulator's schedule, placed in time.
struct Placed {
    double at;
    double until;
    std::string mode;
};

// Whole phases, round after round, as long as they end 10 s before the run does; then the
// supply behaves until the end, so that the last output period ends on a working link.
std::vector<Placed> make_schedule(double total) {
    std::vector<Placed> placed;
    double at = 0;
    for (std::size_t i = 0;; i = (i + 1) % std::size(kRound)) {
        if (at + kRound[i].seconds > total - 10) {
            break;
        }
        if (!placed.empty() && placed.back().mode == kRound[i].mode) {
            placed.back().until += kRound[i].seconds;
        } else {
            placed.push_back({at, at + kRound[i].seconds, kRound[i].mode});
        }
        at += kRound[i].seconds;
    }
    if (placed.empty() || placed.back().mode != "normal") {
        placed.push_back({at, total, "normal"});
    } else {
        placed.back().until = total;
    }
    return placed;
}

std::string schedule_text(const std::vector<Placed>& schedule) {
    std::string text;
    for (const Placed& p : schedule) {
        char item[64];
        std::snprintf(item, sizeof item, "%s%g:%s", text.empty() ? "" : ",", p.at, p.mode.c_str());
        text += item;
    }
    return text;
}

double cpu_seconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct HangUp {
    double at;
    double back_at = -1;     // the simulator announced its new terminal
    bool link_down = false;  // the program noticed: port not ready or closed
    double reopened_at = -1; // ready on an open port again
};

struct CpuWindow {
    double from;
    double percent;
};

// The simulator as a child process whose standard output is read line by line. Not
// QProcess: Qt 6.4 starts a child through a raw clone that shares the parent's memory
// until the exec, which ThreadSanitizer does not know about; afterwards it loses the
// ordering the window's thread takes from its mutexes and reports races that are none.
// fork is what it does follow.
class Child {
public:
    Child() = default;
    ~Child() { stop(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool start(const std::string& program, const std::vector<std::string>& arguments) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) {
            return false;
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : arguments) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            // No simulator outlives a soak that dies.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::dup2(out[1], STDOUT_FILENO);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        if (pid_ < 0) {
            ::close(out[0]);
            return false;
        }
        out_ = out[0];
        ::fcntl(out_, F_SETFL, O_NONBLOCK);
        notifier_ = std::make_unique<QSocketNotifier>(out_, QSocketNotifier::Read);
        return true;
    }
    template <class F> void on_output(F&& handler) {
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, handler);
    }
    void wait_for_output(int milliseconds) const {
        pollfd p{out_, POLLIN, 0};
        ::poll(&p, 1, milliseconds);
    }
    std::string read_all() {
        std::string text;
        char buffer[4096];
        ssize_t n = 0;
        while (out_ >= 0 && (n = ::read(out_, buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        }
        if (n == 0 && notifier_) {
            notifier_->setEnabled(false); // the child is gone
        }
        return text;
    }
    bool running() const {
        int status = 0;
        return pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == 0;
    }
    void stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            for (int i = 0; i < 300 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i) {
                ::usleep(10000);
            }
            if (::waitpid(pid_, &status, WNOHANG) == 0) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
            }
            pid_ = -1;
        }
        notifier_.reset();
        if (out_ >= 0) {
            ::close(out_);
            out_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

class Soak {
public:
    Soak(Options options, fs::path folder)
        : options_(std::move(options)), folder_(std::move(folder)), total_(options_.minutes * 60),
          schedule_(make_schedule(total_)) {}

    bool start();
    int finish();

private:
    double now() const { return static_cast<double>(clock_.nsecsElapsed()) / 1e9; }
    void sim_output();
    void drive();
    void user_actions(double t);
    void answer_boxes(double t);
    void watch_link(double t);
    void watchdog();
    void cpu_window();
    bool overload_near(double t) const;
    void choose(kelvo::qt::QtListBox& list, const QString& text);

    Options options_;
    fs::path folder_;
    double total_;
    std::vector<Placed> schedule_;

    Child sim_;
    QElapsedTimer clock_;
    std::unique_ptr<kelvo::qt::QtForm> form_;
    std::unique_ptr<kelvo::Form1> logic_;
    QTimer driver_;
    QTimer watchdog_;
    QTimer cpu_timer_;
    QString sim_lines_;
    bool first_terminal_ = false;

    // the user
    bool setpoints_typed_ = false;
    double setpoints_checked_at_ = 6;
    bool setpoints_taken_ = false;
    double next_toggle_ = kToggleEvery;
    double went_off_at_ = -100;
    bool was_on_ = false;
    QPointer<QWidget> box_; // a box deleted on close reads as none
    double box_seen_at_ = 0;
    std::vector<std::string> box_texts_;

    // what was seen
    int periods_ = 0;
    int trips_ = 0;             // periods the program ended itself: over-current, trip out
    bool switched_off_ = false; // the user pressed OFF since the last look
    std::vector<HangUp> hangups_;
    double last_tick_ = -1;
    double worst_lateness_ = 0;
    double cpu_last_ = 0;
    double cpu_from_ = 0;
    std::vector<CpuWindow> cpu_;
};

bool Soak::start() {
    const std::string sim =
        options_.sim.empty()
            ? (QCoreApplication::applicationDirPath() + "/kelvo-supply-sim").toStdString()
            : options_.sim;
    const std::string tty = (folder_ / "tty").string();
    char return_after[32];
    std::snprintf(return_after, sizeof return_after, "%g", kReturnAfter);
    if (!sim_.start(sim, {"--link", tty, "--return-after", return_after, "--schedule",
                          schedule_text(schedule_)})) {
        std::fprintf(stderr, "kelvo-soak: cannot start %s: %s\n", sim.c_str(),
                     std::strerror(errno));
        return false;
    }
    sim_.on_output([this] { sim_output(); });
    clock_.start();
    for (int i = 0; i < 50 && !first_terminal_; ++i) {
        sim_.wait_for_output(100);
        sim_output();
    }
    if (!first_terminal_) {
        std::fprintf(stderr, "kelvo-soak: the simulator announced no terminal\n");
        return false;
    }
    std::printf("kelvo-soak: %.0f s, simulator schedule %s\n", total_,
                schedule_text(schedule_).c_str());
    std::fflush(stdout);

    // The port map is read when the window's serial port is made.
    ::setenv("KELVO_SERIAL_PORTS", tty.c_str(), 1);
    form_ = std::make_unique<kelvo::qt::QtForm>(folder_.string());
    logic_ = std::make_unique<kelvo::Form1>(form_->controls());
    form_->main_window().on_close = [this] {
        if (logic_) {
            logic_->Form_Unload();
        }
        return true;
    };
    logic_->Form_Load();
    form_->show();

    driver_.setInterval(50);
    QObject::connect(&driver_, &QTimer::timeout, [this] { drive(); });
    driver_.start();
    watchdog_.setTimerType(Qt::PreciseTimer);
    watchdog_.setInterval(100);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] { watchdog(); });
    watchdog_.start();
    cpu_last_ = cpu_seconds();
    cpu_from_ = now();
    cpu_timer_.setInterval(static_cast<int>(kCpuWindow * 1000));
    QObject::connect(&cpu_timer_, &QTimer::timeout, [this] { cpu_window(); });
    cpu_timer_.start();
    return true;
}

void Soak::sim_output() {
    sim_lines_ += QString::fromStdString(sim_.read_all());
    qsizetype end = 0;
    while ((end = sim_lines_.indexOf('\n')) >= 0) {
        const QString line = sim_lines_.left(end).trimmed();
        sim_lines_.remove(0, end + 1);
        const double t = now();
        if (line == QLatin1String("hung up")) {
            hangups_.push_back({t});
        } else if (line.startsWith('/')) {
            if (!first_terminal_) {
                first_terminal_ = true;
            } else if (!hangups_.empty() && hangups_.back().back_at < 0) {
                hangups_.back().back_at = t;
            }
        }
    }
}

void Soak::drive() {
    const double t = now();
    watch_link(t);
    answer_boxes(t);
    if (t < total_) {
        user_actions(t);
    } else if (QApplication::activeModalWidget() == nullptr) {
        QCoreApplication::exit(0);
    }
}

void Soak::watch_link(double t) {
    const bool on = logic_->output_on;
    if (was_on_ && !on) {
        ++periods_;
        went_off_at_ = t;
        trips_ += switched_off_ ? 0 : 1;
    }
    switched_off_ = false;
    was_on_ = on;

    if (hangups_.empty()) {
        return;
    }
    HangUp& h = hangups_.back();
    const bool linked = logic_->port_ready && form_->MSComm1.is_open();
    if (!linked) {
        h.link_down = true;
    } else if (h.link_down && h.back_at >= 0 && h.reopened_at < 0) {
        h.reopened_at = t;
    }
}

// A user reads a box for a second and presses OK.
void Soak::answer_boxes(double t) {
    // The program's boxes do not block the window: the one on screen is whichever is shown.
    QWidget* modal = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(widget) != nullptr && widget->isVisible()) {
            modal = widget;
        }
    }
    if (modal != box_) {
        box_ = modal;
        box_seen_at_ = t;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            box_texts_.push_back(box->text().toStdString());
        }
        return;
    }
    if (box_ == nullptr || t - box_seen_at_ < kBoxAnsweredAfter) {
        return;
    }
    auto* box = qobject_cast<QMessageBox*>(box_);
    if (QAbstractButton* ok = box != nullptr ? box->button(QMessageBox::Ok) : nullptr) {
        ok->click();
    } else {
        box_->close();
    }
}

bool Soak::overload_near(double t) const {
    return std::any_of(schedule_.begin(), schedule_.end(), [t](const Placed& p) {
        return p.mode == "overload" && t >= p.at - 2 && t < p.until + 2;
    });
}

// As a user picks an item of the drop-down list.
void Soak::choose(kelvo::qt::QtListBox& list, const QString& text) {
    QComboBox* combo = list.widget();
    const int index = combo->findText(text);
    if (index >= 0 && (combo->currentIndex() != index || combo->currentText() != text)) {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
}

void Soak::user_actions(double t) {
    // The window takes no input while a box is open.
    if (QApplication::activeModalWidget() != nullptr) {
        return;
    }
    kelvo::Form1& f = *logic_;
    if (!setpoints_typed_ && t > 1) {
        choose(form_->Combo1, QStringLiteral("12V"));
        QLineEdit* current = form_->Text2.widget();
        current->selectAll();
        current->insert(QStringLiteral("1.5A")); // typed: raises the change as keys would
        setpoints_typed_ = true;
    }
    if (!setpoints_taken_ && t > setpoints_checked_at_) {
        setpoints_taken_ = f.set_voltage_code == 1200 && f.set_current_code == 1500;
        setpoints_checked_at_ = total_;
    }
    choose(form_->Combo4,
           overload_near(t) ? QStringLiteral("trip out") : QStringLiteral("Steady Output"));

    QPushButton* button = form_->Command1.widget();
    if (t >= next_toggle_) {
        next_toggle_ += kToggleEvery;
        if (f.output_on) {
            button->click();
            switched_off_ = true;
            return;
        }
    }
    const bool answering = f.port_ready && f.device_connected;
    if (!f.output_on && answering && t - went_off_at_ >= kOnAgainAfter[periods_ % 2]) {
        button->click();
        // A period may be over before the next look (a stale over-current trips at once).
        was_on_ = f.output_on;
    }
}

void Soak::watchdog() {
    const double t = now();
    if (last_tick_ >= 0) {
        worst_lateness_ = std::max(worst_lateness_, t - last_tick_ - 0.1);
    }
    last_tick_ = t;
}

void Soak::cpu_window() {
    const double t = now();
    const double cpu = cpu_seconds();
    cpu_.push_back({cpu_from_, 100 * (cpu - cpu_last_) / std::max(t - cpu_from_, 0.001)});
    cpu_last_ = cpu;
    cpu_from_ = t;
}

int Soak::finish() {
    driver_.stop();
    cpu_timer_.stop();
    // Lets the program run for a while, as the event loop would, without spinning.
    auto run_for = [](int milliseconds) {
        QEventLoop loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    };
    // The last period ends as a user ends it: OFF, once no box is open.
    for (int i = 0; i < 100 && QApplication::activeModalWidget() != nullptr; ++i) {
        answer_boxes(now() + kBoxAnsweredAfter);
        run_for(20);
    }
    if (logic_->output_on) {
        form_->Command1.widget()->click();
        switched_off_ = true;
    }
    run_for(500);
    watch_link(now());
    const bool still_on = logic_->output_on;
    watchdog_.stop();

    int files = 0;
    int same_second = 0; // named "-2", "-3", ...: another period ended in that second
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder_ / "Record", error)) {
        // The records, not the timelines beside them.
        if (entry.is_regular_file() && entry.path().extension() == ".TXT") {
            ++files;
            same_second += entry.path().stem().string().find('-') != std::string::npos ? 1 : 0;
        }
    }
    const bool sim_alive = sim_.running();
    sim_.stop();
    form_->main_window().on_close = nullptr;
    logic_->Form_Unload();
    logic_.reset();
    form_.reset();

    bool pass = true;
    auto check = [&pass](bool ok, const char* what) {
        if (!ok) {
            std::printf("FAIL: %s\n", what);
            pass = false;
        }
    };

    std::printf("set-points 12V/1.5A taken: %s\n", setpoints_taken_ ? "yes" : "no");
    std::printf("output periods %d (%d ended by an over-current trip), record files %d (%d in "
                "a second already taken)%s\n",
                periods_, trips_, files, same_second,
                still_on ? " (output still on at the end)" : "");
    for (std::size_t i = 0; i < hangups_.size(); ++i) {
        const HangUp& h = hangups_[i];
        std::printf("hang-up %zu at %.1f s: supply back at %.1f s, port open again ", i + 1, h.at,
                    h.back_at);
        if (h.reopened_at >= 0) {
            std::printf("at %.1f s (%.1f s after the return)\n", h.reopened_at,
                        h.reopened_at - h.back_at);
        } else {
            std::printf("never\n");
        }
        check(h.back_at >= 0 && h.reopened_at >= 0 && h.reopened_at - h.back_at <= kReconnectLimit,
              "the port was not open again in time after the supply came back");
    }
    std::printf("message boxes answered: %zu", box_texts_.size());
    for (const std::string& text : box_texts_) {
        std::printf(" \"%s\"", text.c_str());
    }
    std::printf("\n");

    CpuWindow peak{0, 0};
    int high_in_a_row = 0;
    bool stuck = false;
    for (const CpuWindow& w : cpu_) {
        if (w.percent > peak.percent) {
            peak = w;
        }
        const bool after_hangup = !hangups_.empty() && w.from >= hangups_.front().at - kCpuWindow;
        high_in_a_row = after_hangup && w.percent > kCpuLimit ? high_in_a_row + 1 : 0;
        stuck = stuck || high_in_a_row > kCpuWindowsAllowed;
    }
    std::printf("CPU per %.0f s window: peak %.1f %% of a core (from %.0f s), ", kCpuWindow,
                peak.percent, peak.from);
    double sum = 0;
    for (const CpuWindow& w : cpu_) {
        sum += w.percent;
    }
    std::printf("mean %.1f %%\n", cpu_.empty() ? 0.0 : sum / static_cast<double>(cpu_.size()));
    // Minute by minute, so that a cost growing with the run shows.
    std::printf("CPU by minute, %%:");
    const std::size_t per_minute = static_cast<std::size_t>(60 / kCpuWindow);
    for (std::size_t from = 0; from < cpu_.size(); from += per_minute) {
        const std::size_t to = std::min(from + per_minute, cpu_.size());
        double minute = 0;
        for (std::size_t i = from; i < to; ++i) {
            minute += cpu_[i].percent;
        }
        std::printf(" %.1f", minute / static_cast<double>(to - from));
    }
    std::printf("\n");
    std::printf("watchdog: a 100 ms tick at most %.3f s late\n", worst_lateness_);

    check(setpoints_taken_, "the set-points typed were not taken");
    check(!hangups_.empty(), "the simulator never hung up");
    check(periods_ > 0, "the output was never on");
    const bool overloads = std::any_of(schedule_.begin(), schedule_.end(),
                                       [](const Placed& p) { return p.mode == "overload"; });
    check(!overloads || trips_ > 0, "over-current in trip-out mode never switched the output off");
    check(!still_on, "the output could not be switched off at the end");
    check(files == periods_, "record files and output periods differ");
    check(!stuck, "CPU stayed high after a hang-up");
    check(worst_lateness_ <= kWatchdogLimit, "the event loop hung");
    check(sim_alive, "the simulator ended early");
    std::printf("%s\n", pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    kelvo::qt::prepare_application();

    // A program folder of its own, with the step table and icon of the built program.
    std::string pattern = (fs::temp_directory_path() / "kelvo-soak-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("kelvo-soak: temporary folder");
        return 1;
    }
    const fs::path folder = pattern;
    const fs::path beside = QCoreApplication::applicationDirPath().toStdString();
    for (const char* name : {"db1.mdb", "PPS.ico"}) {
        std::error_code error;
        fs::copy_file(beside / name, folder / name, error);
        if (error) {
            std::fprintf(stderr, "kelvo-soak: cannot copy %s: %s\n", (beside / name).c_str(),
                         error.message().c_str());
            return 1;
        }
    }

    int code = 1;
    {
        Soak soak(options, folder);
        if (soak.start()) {
            QApplication::exec();
            code = soak.finish();
        }
    }
    if (code == 0) {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    } else {
        std::printf("the program folder is kept: %s\n", folder.c_str());
    }
    return code;
}
