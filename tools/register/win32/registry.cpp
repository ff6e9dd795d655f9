#include <windows.h>

#include <system_error>

#include "tools/client/win32/wide_text.h"
#include "tools/register/registry.h"

namespace ferolant::reg {
namespace {

using client::Narrow;
using client::Widen;

HKEY Root(THive hive) noexcept {
  return hive == THive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

[[noreturn]] void Fail(LSTATUS status, THive hive, const std::string& subkey) {
  throw std::system_error(static_cast<int>(status), std::system_category(),
                          std::string(HiveName(hive)) + "\\" + subkey);
}

class TKey {
 public:
  TKey() = default;
  TKey(const TKey&) = delete;
  TKey& operator=(const TKey&) = delete;
  ~TKey() {
    if (FKey != nullptr) ::RegCloseKey(FKey);
  }
  HKEY* Out() noexcept { return &FKey; }
  HKEY Get() const noexcept { return FKey; }

 private:
  HKEY FKey = nullptr;
};

}  // namespace

const char* HiveName(THive hive) noexcept { return hive == THive::LocalMachine ? "HKLM" : "HKCU"; }

TKeyDefault ReadKeyDefault(THive hive, const std::string& subkey) {
  TKey key;
  LSTATUS status = ::RegOpenKeyExW(Root(hive), Widen(subkey).c_str(), 0,
                                   KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.Out());
  if (status == ERROR_FILE_NOT_FOUND) return {};
  if (status != ERROR_SUCCESS) Fail(status, hive, subkey);
  TKeyDefault found{true, std::nullopt};
  DWORD type = 0;
  DWORD bytes = 0;
  status = ::RegQueryValueExW(key.Get(), nullptr, nullptr, &type, nullptr, &bytes);
  if (status == ERROR_FILE_NOT_FOUND || (type != REG_SZ && type != REG_EXPAND_SZ)) return found;
  if (status != ERROR_SUCCESS) Fail(status, hive, subkey);
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  status = ::RegQueryValueExW(key.Get(), nullptr, nullptr, &type,
                              reinterpret_cast<BYTE*>(text.data()), &bytes);
  if (status != ERROR_SUCCESS) Fail(status, hive, subkey);
  text.resize(bytes / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  found.Value = Narrow(text);
  return found;
}

void WriteKeyDefault(THive hive, const std::string& subkey, const std::string& value) {
  TKey key;
  LSTATUS status =
      ::RegCreateKeyExW(Root(hive), Widen(subkey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.Out(), nullptr);
  if (status != ERROR_SUCCESS) Fail(status, hive, subkey);
  const std::wstring text = Widen(value);
  status =
      ::RegSetValueExW(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  if (status != ERROR_SUCCESS) Fail(status, hive, subkey);
}

bool DeleteKey(THive hive, const std::string& subkey) {
  const std::wstring wide = Widen(subkey);
  {
    TKey key;
    const LSTATUS status = ::RegOpenKeyExW(
        Root(hive), wide.c_str(), 0,
        DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY,
        key.Out());
    if (status == ERROR_FILE_NOT_FOUND) return false;
    if (status != ERROR_SUCCESS) Fail(status, hive, subkey);
    const LSTATUS cleared = ::RegDeleteTreeW(key.Get(), nullptr);
    if (cleared != ERROR_SUCCESS) Fail(cleared, hive, subkey);
  }
  const LSTATUS status = ::RegDeleteKeyExW(Root(hive), wide.c_str(), KEY_WOW64_64KEY, 0);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) Fail(status, hive, subkey);
  return true;
}

}  // namespace ferolant::reg
