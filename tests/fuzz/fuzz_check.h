#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant is a crash the fuzzer keeps as a finding, in the
// clang build and in the corpus replay alike.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition);                     \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)
