#pragma once
// The command line of ferolant-client: which requests to send, to which host, and how to show
// what comes back.
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/client/session.h"

namespace ferolant::client {

extern const char* const kClientUsage;

// Bad usage: reported with the usage text, exit code 2, nothing sent.
class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TClientOptions {
  TSessionConfig Config;
  bool Help = false;       // -h: nothing after it is read
  bool ReadStdin = false;  // "-" was given: requests follow on standard input too
};

// Reads the arguments that follow the program's name; the host is defaultHost unless --host
// names another.
TClientOptions ParseOptions(const std::vector<std::string>& args, const std::string& defaultHost);

}  // namespace ferolant::client
