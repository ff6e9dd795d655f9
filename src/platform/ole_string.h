#pragma once
// OLE system strings ("BSTR"): the only text type that crosses the signing library's boundary.
// A system string is a pointer to the first UTF-16 unit of a zero-terminated buffer whose byte
// length is stored in the four bytes just before it, so it may hold U+0000 and knows its length
// without scanning. The null pointer is the empty string.
//
// Whoever receives a string from the library frees it with SysFreeString. The host and the
// library must therefore share one allocator: on Windows that is the system's, elsewhere this
// file's POSIX implementation, which is compiled into both and sits on the C heap.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

using TOleChar = char16_t;
using TBstr = TOleChar*;

// A new system string holding a copy of `length` units at `text` (or zeros when text is null).
// Returns null when out of memory.
TBstr SysAllocStringLen(const TOleChar* text, std::uint32_t length) noexcept;

// The number of UTF-16 units in the string; 0 for null.
std::uint32_t SysStringLen(const TOleChar* text) noexcept;

// Frees a string made by SysAllocStringLen; null is allowed.
void SysFreeString(TBstr text) noexcept;

}  // namespace platform
