#pragma once
// UTF-8 and the system's UTF-16 at the Windows API boundary of the client and the tools built on
// it. Windows only.

#include <string>

namespace ferolant::client {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

}  // namespace ferolant::client
