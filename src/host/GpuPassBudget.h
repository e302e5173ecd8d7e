#pragma once
// How long one pass (one QS_renderShader draw) may keep the GPU busy before
// the tool warns the effect's author: the user's setting, read from the
// environment.
//
// Systems reset a GPU that one job keeps busy for too long, and the
// application using it with it: Windows after 2 s by default, other systems
// after a few seconds. An effect is written on one machine and runs on many,
// slower GPUs and larger frames among them, so the default is a quarter of
// the shortest of those watchdogs. Mesa's llvmpipe renders on the processor,
// tens of times slower than a GPU: there a pass over the budget is a warning
// to look at, not proof that a GPU would be reset.

#include <chrono>

namespace GpuPassBudget {

// The environment variable that sets the budget, in milliseconds.
constexpr const char kVariable[] = "QS_GPU_PASS_BUDGET_MS";

// The budget when the variable is unset or not a positive whole number.
constexpr std::chrono::milliseconds kDefault{500};

// The budget the environment sets now.
std::chrono::milliseconds current();

}  // namespace GpuPassBudget
