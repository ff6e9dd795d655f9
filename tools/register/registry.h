#pragma once
// The few registry operations a registration needs (Windows only): the default value of a key
// under the current user's or the machine's Software branch.
#include <optional>
#include <string>

namespace ferolant::reg {

enum class Hive { kCurrentUser, kLocalMachine };

// "HKCU" or "HKLM", as reg.exe writes them.
const char* HiveName(Hive hive) noexcept;

struct KeyDefault {
  bool exists = false;
  std::optional<std::string> value;  // the default value when it is a string, UTF-8
};

// subkey is relative to the hive, such as "Software\\Google\\Chrome\\NativeMessagingHosts\\x".
// Keys are those of the 64-bit view on 64-bit Windows, which every browser reads.
// Failures other than "not there" throw std::system_error.
KeyDefault ReadKeyDefault(Hive hive, const std::string& subkey);
void WriteKeyDefault(Hive hive, const std::string& subkey, const std::string& value);
// Deletes the key with everything under it; false when there was none.
bool DeleteKey(Hive hive, const std::string& subkey);

}  // namespace ferolant::reg
