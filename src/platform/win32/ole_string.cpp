#include "platform/ole_string.h"

#include <windows.h>
// after windows.h, which it needs
#include <oleauto.h>

// The system's allocator, shared by the host and the signing library: whatever one of them
// allocates, the other may free. OLECHAR is a 16-bit wchar_t here, so the texts cross as they are.
static_assert(sizeof(OLECHAR) == sizeof(platform::TOleChar));

namespace platform {

TBstr SysAllocStringLen(const TOleChar* text, std::uint32_t length) noexcept {
  return reinterpret_cast<TBstr>(
      ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text), length));
}

std::uint32_t SysStringLen(const TOleChar* text) noexcept {
  return ::SysStringLen(reinterpret_cast<BSTR>(const_cast<TOleChar*>(text)));
}

void SysFreeString(TBstr text) noexcept { ::SysFreeString(reinterpret_cast<BSTR>(text)); }

}  // namespace platform
