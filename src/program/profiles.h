// program/: test profiles: a few figures of a battery or a device in, the steps and the
// limits of its run out (a ProfilePlan), or the figures at fault in the user's words. Also
// the profile's text form for scripts and a preview of a plan in words.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "program/profile_plan.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo {

namespace texts {
struct Text;
}

enum class ProfileKind {
    LiIon,         // constant current, then constant voltage until the current tapers off
    LeadAcid,      // bulk until the current tapers off, then float for some hours
    NickelHydride, // NiMH and NiCd: constant current, ends on the voltage or the time
    BurnIn,        // a voltage held for hours, ends when the device draws too much
    Sweep,         // a voltage stepped up or down, ends where the device starts to draw
};
inline constexpr std::array<ProfileKind, 5> kProfileKinds{ProfileKind::LiIon, ProfileKind::LeadAcid,
                                                          ProfileKind::NickelHydride,
                                                          ProfileKind::BurnIn, ProfileKind::Sweep};

// Every figure a profile may take; each kind takes some of them (profile_rules).
enum class ProfileFigure {
    Cells,      // cells in series
    CellVolts,  // Li-ion charge voltage a cell, V
    BulkVolts,  // lead-acid bulk voltage a cell, V
    FloatVolts, // lead-acid float voltage a cell, V
    EndVolts,   // NiMH/NiCd end voltage a cell, V
    Volts,      // burn-in voltage, V
    From,       // sweep's first voltage, V
    To,         // sweep's last voltage, V
    StepVolts,  // sweep's step, V
    Current,    // charge current, A
    Limit,      // burn-in's and sweep's current limit, A
    Taper,      // the current that ends a charge's constant-voltage part, A
    Level,      // the current that ends a burn-in or a sweep, A
    Hours,      // safety time, float time, charge time, burn-in time, h
    BulkHours,  // lead-acid bulk's longest time, h
    Seconds,    // sweep's seconds a step
    Capacity,   // Li-ion capacity, mAh: the charge limit of the run (optional)
};
inline constexpr std::size_t kProfileFigureCount = 17;

struct ProfileFigures {
    ProfileKind kind = ProfileKind::LiIon;
    std::array<std::optional<double>, kProfileFigureCount> values{};

    std::optional<double>& operator[](ProfileFigure figure) {
        return values[static_cast<std::size_t>(figure)];
    }
    const std::optional<double>& operator[](ProfileFigure figure) const {
        return values[static_cast<std::size_t>(figure)];
    }
    friend bool operator==(const ProfileFigures&, const ProfileFigures&) = default;
};

// A figure a kind takes: the range it accepts, whether it may be left out, the value the
// dialog offers first, and its label where the kind says it in its own words (the hours of
// a Li-ion charge are its safety time); nullptr for the figure's own.
struct FigureRule {
    ProfileFigure figure;
    double lowest;
    double highest;
    bool optional;
    double typical;
    const texts::Text* label;
};
std::span<const FigureRule> profile_rules(ProfileKind kind);

// What a figure is: its key in the text form ("cells"), its label in the dialog and in
// problems ("Cells", "Charge voltage a cell (V)"), its unit, and its finest step (1 for a
// count, 0.01 for volts, 0.001 for amperes, 0 for any).
struct FigureFacts {
    const char* key;
    const texts::Text* label;
    const char* unit;
    double finest;
};
const FigureFacts& figure_facts(ProfileFigure which);

// The kind's key in the text form ("LIION") and its name ("Li-ion charge").
const char* profile_key(ProfileKind kind);
const texts::Text& profile_name(ProfileKind kind);

// What is wrong with the figures or with the text form.
struct ProfileProblem {
    enum class Kind {
        Missing,      // a figure the kind needs is not given
        NotANumber,   // text form: the value is not a plain number
        OutOfRange,   // outside the figure's range (low, high)
        Finer,        // finer than the figure's step (bound: the step)
        NotOneOf,     // Li-ion cell voltage: 4.20 or 4.35 only
        NotBelow,     // at or above the figure it must stay under (bound: that one's value)
        TotalVoltage, // cells times the voltage a cell above 31 V (bound: the total)
        SameEnds,     // a sweep from a voltage to itself
        TooLong,      // the run's time above a year (bound: the time in hours)
        EmptyText,    // text form: nothing
        UnknownKind,  // text form: the first item names no kind (value)
        UnknownKey,   // text form: no such figure for the kind (value)
        KeyTwice,     // text form: a figure given twice (value)
        NoEquals,     // text form: an item that is not key=value (value)
    };
    Kind kind = Kind::Missing;
    ProfileFigure figure = ProfileFigure::Cells;
    ProfileKind profile = ProfileKind::LiIon;   // whose figure: its label
    std::string value;                          // as given
    std::string low;                            // the range, for OutOfRange
    std::string high;                           //
    std::string bound;                          // see the kinds
    ProfileFigure other = ProfileFigure::Cells; // the figure of NotBelow
    friend bool operator==(const ProfileProblem&, const ProfileProblem&) = default;
};

// "Cells: 9 is outside 1 to 7", "Taper current (A): 1 is not below Charge current (A) 1".
std::string describe(const ProfileProblem& problem, bool english);

struct ProfileResult {
    ProfilePlan plan; // no steps when there are problems
    std::vector<ProfileProblem> problems;
    bool ok() const { return problems.empty(); }
};
ProfileResult make_profile(const ProfileFigures& figures);

// The profile's text form, for scripts and remote control: the kind's key, then the figures
// as key=value, all separated by commas: "LIION,cells=2,cell=4.2,current=1,taper=0.1,
// hours=3". Keys and kinds in any case, blanks around items ignored, plain decimal numbers
// in the figures' units. Every figure the kind needs must be there, once; any other key is
// refused. The figures are only read here: make_profile checks their values.
struct ProfileParse {
    ProfileFigures figures;
    std::vector<ProfileProblem> problems;
    bool ok() const { return problems.empty(); }
};
ProfileParse parse_profile(std::string_view text);
// The text form of the figures given, which parse_profile reads back as the same.
std::string profile_text(const ProfileFigures& figures);

// What the plan does, a line a step (the first ones and the last of a long one), and the
// limits it sets for its run.
std::string preview(const ProfilePlan& plan, bool english);
// A step's end in words: "ends when the current falls below 0.100 A (from 30 s on), and
// with it the run; at the latest after 3 h, then the next step" (the last step: "the run
// ends"); a step without a condition: "lasts 10 s".
std::string step_end_words(const Step& step, bool last, bool english);
// The label of a kind's figure, in its own words where it has them.
const texts::Text& figure_label(ProfileKind kind, ProfileFigure which);
// "3 h", "2 h 30 min", "90 s": whole seconds as people say them.
std::string duration_words(int seconds, bool english);

} // namespace kelvo
