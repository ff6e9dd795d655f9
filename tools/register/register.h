#pragma once
// ferolant-register as a function, for the program and for tests that run it in-process.
#include <ostream>
#include <string>
#include <vector>

namespace ferolant::reg {

// args: what follows the program's name, UTF-8. defaultHost: the host executable when no
// --path is given. Returns the exit code: 0 done, 1 a problem found or a write failed,
// 2 bad usage (nothing written).
int RunRegister(const std::vector<std::string>& args, const std::string& defaultHost,
                std::ostream& out, std::ostream& err);

}  // namespace ferolant::reg
