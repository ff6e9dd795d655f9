#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "tools/client/console.h"

namespace ferolant::client {

void UseUtf8Console() { ::SetConsoleOutputCP(CP_UTF8); }

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), n, nullptr, nullptr);
    out.push_back(std::move(arg));
  }
  ::LocalFree(wide);
  return out;
}

}  // namespace ferolant::client
