#include <unistd.h>

#include "tools/register/executable.h"

namespace ferolant::reg {

bool IsExecutable(const std::filesystem::path& file) { return ::access(file.c_str(), X_OK) == 0; }

}  // namespace ferolant::reg
