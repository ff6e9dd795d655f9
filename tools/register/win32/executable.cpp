#include "tools/register/executable.h"

namespace ferolant::reg {

bool IsExecutable(const std::filesystem::path& file) {
  return std::filesystem::is_regular_file(file);
}

}  // namespace ferolant::reg
