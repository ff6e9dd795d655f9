#pragma once
// The few registry operations a registration needs (Windows only): the default value of a key
// under the current user's or the machine's Software branch.
#include <optional>
#include <string>

namespace ferolant::reg {

enum class THive { CurrentUser, LocalMachine };

// "HKCU" or "HKLM", as reg.exe writes them.
const char* HiveName(THive hive) noexcept;

struct TKeyDefault {
  bool Exists = false;
  std::optional<std::string> Value;  // the default value when it is a string, UTF-8
};

// subkey is relative to the hive, such as "Software\\Google\\Chrome\\NativeMessagingHosts\\x".
// Keys are those of the 64-bit view on 64-bit Windows, which every browser reads.
// Failures other than "not there" throw std::system_error.
TKeyDefault ReadKeyDefault(THive hive, const std::string& subkey);
void WriteKeyDefault(THive hive, const std::string& subkey, const std::string& value);
// Deletes the key with everything under it; false when there was none.
bool DeleteKey(THive hive, const std::string& subkey);

}  // namespace ferolant::reg
