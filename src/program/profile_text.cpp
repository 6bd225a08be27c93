// program/: a profile's names, its text form for scripts, and its problems in words.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/texts.h"
#include "program/profiles.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace kelvo {

namespace {

// The kinds' keys; NICD is another name for NIMH, the same charge.
struct KindKey {
    const char* key;
    ProfileKind kind;
};
constexpr KindKey kKindKeys[] = {
    {"LIION", ProfileKind::LiIon},        {"LEADACID", ProfileKind::LeadAcid},
    {"NIMH", ProfileKind::NickelHydride}, {"NICD", ProfileKind::NickelHydride},
    {"BURNIN", ProfileKind::BurnIn},      {"SWEEP", ProfileKind::Sweep},
};

std::string_view without_blanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool same_key(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// A plain decimal number, the whole text of it.
std::optional<double> plain_number(std::string_view text) {
    double value = 0;
    const std::string digits(text);
    const char* const end = digits.c_str() + digits.size();
    const auto [stop, error] = std::from_chars(digits.c_str(), end, value);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

ProfileProblem text_problem(ProfileProblem::Kind kind, ProfileKind profile,
                            std::string_view value) {
    ProfileProblem problem;
    problem.kind = kind;
    problem.profile = profile;
    problem.value = std::string(value);
    return problem;
}

// "cells, cell, current, taper, hours, capacity": the keys a kind takes.
std::string kind_keys(ProfileKind kind) {
    std::string keys;
    for (const FigureRule& rule : profile_rules(kind)) {
        keys += (keys.empty() ? "" : ", ") + std::string(figure_facts(rule.figure).key);
    }
    return keys;
}

// One "key=value" item of the kind into the figures, or its problem.
void read_item(std::string_view item, ProfileParse& parsed) {
    const ProfileKind kind = parsed.figures.kind;
    const std::size_t equals = item.find('=');
    if (equals == std::string_view::npos) {
        parsed.problems.push_back(text_problem(ProfileProblem::Kind::NoEquals, kind, item));
        return;
    }
    const std::string_view key = without_blanks(item.substr(0, equals));
    const std::string_view value = without_blanks(item.substr(equals + 1));
    const auto rules = profile_rules(kind);
    const auto rule = std::find_if(rules.begin(), rules.end(), [key](const FigureRule& r) {
        return same_key(key, figure_facts(r.figure).key);
    });
    if (rule == rules.end()) {
        parsed.problems.push_back(text_problem(ProfileProblem::Kind::UnknownKey, kind, key));
        parsed.problems.back().bound = kind_keys(kind);
        return;
    }
    if (parsed.figures[rule->figure]) {
        parsed.problems.push_back(text_problem(ProfileProblem::Kind::KeyTwice, kind, key));
        return;
    }
    const std::optional<double> number = plain_number(value);
    if (!number) {
        parsed.problems.push_back(text_problem(ProfileProblem::Kind::NotANumber, kind, value));
        parsed.problems.back().figure = rule->figure;
        return;
    }
    parsed.figures[rule->figure] = number;
}

const texts::Text* kind_name_text(ProfileKind kind) {
    switch (kind) {
    case ProfileKind::LiIon:
        return &texts::kProfileLiIon;
    case ProfileKind::LeadAcid:
        return &texts::kProfileLeadAcid;
    case ProfileKind::NickelHydride:
        return &texts::kProfileNickel;
    case ProfileKind::BurnIn:
        return &texts::kProfileBurnIn;
    case ProfileKind::Sweep:
        break;
    }
    return &texts::kProfileSweep;
}

// The problems of the text form, which name no figure's value.
std::string text_form_words(const ProfileProblem& problem, bool english) {
    const auto say = [english](const texts::Text& text) { return texts::in(english, text); };
    using Kind = ProfileProblem::Kind;
    switch (problem.kind) {
    case Kind::EmptyText:
        return say(texts::kProfileEmpty);
    case Kind::UnknownKind:
        return texts::fill(say(texts::kProfileUnknownKind), {problem.value});
    case Kind::UnknownKey:
        return texts::fill(say(texts::kProfileUnknownKey), {problem.value, problem.bound});
    case Kind::KeyTwice:
        return texts::fill(say(texts::kProfileKeyTwice), {problem.value});
    default:
        break;
    }
    return texts::fill(say(texts::kProfileNoEquals), {problem.value});
}

} // namespace

const char* profile_key(ProfileKind kind) {
    for (const KindKey& key : kKindKeys) {
        if (key.kind == kind) {
            return key.key;
        }
    }
    return "";
}

const texts::Text& profile_name(ProfileKind kind) {
    return *kind_name_text(kind);
}

ProfileParse parse_profile(std::string_view text) {
    ProfileParse parsed;
    const std::size_t comma = text.find(',');
    const std::string_view first = without_blanks(text.substr(0, comma));
    if (first.empty() && without_blanks(text).empty()) {
        parsed.problems.push_back(text_problem(ProfileProblem::Kind::EmptyText, {}, {}));
        return parsed;
    }
    const auto* kind = std::find_if(std::begin(kKindKeys), std::end(kKindKeys),
                                    [first](const KindKey& k) { return same_key(first, k.key); });
    if (kind == std::end(kKindKeys)) {
        parsed.problems.push_back(text_problem(ProfileProblem::Kind::UnknownKind, {}, first));
        return parsed;
    }
    parsed.figures.kind = kind->kind;
    std::string_view rest =
        comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    while (comma != std::string_view::npos) {
        const std::size_t next = rest.find(',');
        read_item(without_blanks(rest.substr(0, next)), parsed);
        if (next == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(next + 1);
    }
    for (const FigureRule& rule : profile_rules(parsed.figures.kind)) {
        const bool refused = std::any_of(
            parsed.problems.begin(), parsed.problems.end(), [&rule](const ProfileProblem& p) {
                return p.figure == rule.figure && p.kind == ProfileProblem::Kind::NotANumber;
            });
        if (!rule.optional && !parsed.figures[rule.figure] && !refused) {
            ProfileProblem problem =
                text_problem(ProfileProblem::Kind::Missing, parsed.figures.kind, {});
            problem.figure = rule.figure;
            parsed.problems.push_back(problem);
        }
    }
    return parsed;
}

std::string profile_text(const ProfileFigures& figures) {
    std::string text = profile_key(figures.kind);
    for (const FigureRule& rule : profile_rules(figures.kind)) {
        if (const auto& value = figures[rule.figure]) {
            text += ',' + std::string(figure_facts(rule.figure).key) + '=' + shortest_text(*value);
        }
    }
    return text;
}

std::string describe(const ProfileProblem& problem, bool english) {
    const auto say = [english](const texts::Text& text) { return texts::in(english, text); };
    const std::string label = say(figure_label(problem.profile, problem.figure));
    using Kind = ProfileProblem::Kind;
    switch (problem.kind) {
    case Kind::Missing:
        return texts::fill(say(texts::kProfileMissing), {label});
    case Kind::NotANumber:
        return texts::fill(say(texts::kProfileNotANumber), {label, problem.value});
    case Kind::OutOfRange:
        return texts::fill(say(texts::kProfileOutOfRange),
                           {label, problem.value, problem.low, problem.high});
    case Kind::Finer:
        return texts::fill(say(texts::kProfileFiner), {label, problem.value, problem.bound});
    case Kind::NotOneOf:
        return texts::fill(say(texts::kProfileNotOneOf), {label, problem.value});
    case Kind::NotBelow:
        return texts::fill(say(texts::kProfileNotBelow),
                           {label, problem.value, say(figure_label(problem.profile, problem.other)),
                            problem.bound});
    case Kind::TotalVoltage:
        return texts::fill(say(texts::kProfileTotalVoltage), {label, problem.bound});
    case Kind::SameEnds:
        return texts::fill(say(texts::kProfileSameEnds), {label, problem.value});
    case Kind::TooLong: {
        const long long seconds = std::atoll(problem.bound.c_str());
        return texts::fill(
            say(texts::kProfileTooLong),
            {label,
             duration_words(static_cast<int>(std::min<long long>(seconds, 0x7fffffff)), english)});
    }
    default:
        break;
    }
    return text_form_words(problem, english);
}

} // namespace kelvo
