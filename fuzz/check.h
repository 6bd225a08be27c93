// A rule a fuzz target holds its function to. A broken rule aborts, so libFuzzer reports
// it like a crash and keeps the input that broke it.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <cstdlib>

#define KELVO_FUZZ_REQUIRE(rule)                                                                   \
    do {                                                                                           \
        if (!(rule)) {                                                                             \
            std::fprintf(stderr, "%s:%d: rule broken: %s\n", __FILE__, __LINE__, #rule);           \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
