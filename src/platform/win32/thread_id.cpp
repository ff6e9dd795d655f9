#include "platform/thread_id.h"

#include <windows.h>

namespace platform {

std::uint32_t CurrentThreadId() noexcept { return GetCurrentThreadId(); }

}  // namespace platform
