#include "platform/thread_id.h"

#include <windows.h>

std::uint32_t CurrentThreadId() noexcept { return GetCurrentThreadId(); }
