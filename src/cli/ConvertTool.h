#pragma once

#include "cli/Options.h"

namespace zezu::cli {

// Exit statuses.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

// Runs the command: every input converted to standard output, to one output
// file, or each in place. Each failure is told on standard error as
// "zezu-convert: FILE: reason". kDone, or kFailed when any input failed.
int runConversion(const Options &options);

} // namespace zezu::cli
