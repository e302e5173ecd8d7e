#pragma once
// The longest an evaluation may run, whatever an effect's configuration asks
// for: the user's setting, not the author's. An effect's SCRIPT_TIME_LIMIT_MS
// may lower the time limit, or raise it up to this ceiling and no further, so
// no effect can hold the host's frame for longer than its user allows.

#include <chrono>

namespace TimeCeiling {

// The environment variable that sets the ceiling, in milliseconds.
constexpr const char kVariable[] = "QS_SCRIPT_TIME_CEILING_MS";

// The ceiling when the variable is unset or not a positive whole number:
// twice the engine's default time limit.
constexpr std::chrono::milliseconds kDefault{10000};

// The ceiling the environment sets now.
std::chrono::milliseconds current();

}  // namespace TimeCeiling
