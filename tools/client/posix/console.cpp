#include "tools/client/console.h"

namespace ferolant::client {

void UseUtf8Console() {}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace ferolant::client
