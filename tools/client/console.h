#pragma once
// The command line and the terminal in UTF-8 on every platform.
#include <string>
#include <vector>

namespace ferolant::client {

// Makes the terminal show the UTF-8 the client prints (Windows consoles default to an OEM
// code page).
void UseUtf8Console();

// The program's arguments in UTF-8 (Windows hands argv over in the ANSI code page, which
// cannot hold every character a request may carry).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

}  // namespace ferolant::client
