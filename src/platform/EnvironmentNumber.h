#pragma once
// Settings that belong to the user rather than to an effect (how long a
// script may run at most, how long a GPU pass may take before the tools
// warn) come from environment variables, read each time they are needed.

namespace EnvironmentNumber {

// The value of `variable` when it is written as decimal digits alone and
// lies from 1 to 2^31 - 1; otherwise, unset or not, `fallback`.
long long positive(const char* variable, long long fallback);

}  // namespace EnvironmentNumber
