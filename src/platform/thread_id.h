// The operating system's id of the calling thread (what the window system
// uses to find a thread's windows).
#pragma once

#include <cstdint>

namespace platform {

std::uint32_t CurrentThreadId() noexcept;

}  // namespace platform
