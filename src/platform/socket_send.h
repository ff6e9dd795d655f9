// Sending bytes on a socket, the one socket operation the JSON writer needs.
#pragma once

#include <cstdint>

// Wide enough for a socket handle of any target.
using TSocketHandle = std::uintptr_t;

// One send of count bytes without flags; yields the number of bytes the
// system took (possibly fewer than count) or -1 on failure. A peer that has
// gone away gives -1, never a signal that would end the process.
std::int32_t SendSocketBytes(TSocketHandle socket, const void* data, std::int32_t count) noexcept;
