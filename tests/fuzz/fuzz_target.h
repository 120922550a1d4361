// Shared by the fuzz targets: each defines LLVMFuzzerTestOneInput, which
// libFuzzer calls with its inputs, or replay_main.cpp with the files of the
// corpus when the target is built as a plain test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken rule is a crash to the fuzzer and a failure to the replay.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
