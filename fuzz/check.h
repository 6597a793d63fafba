#pragma once
// A broken property is a crash, so libFuzzer keeps the input that broke it.

#include <cstdio>
#include <cstdlib>

#define CALM_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #cond);       \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
