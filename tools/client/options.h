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
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ClientOptions {
  SessionConfig config;
  bool help = false;        // -h: nothing after it is read
  bool read_stdin = false;  // "-" was given: requests follow on standard input too
};

// Reads the arguments that follow the program's name; the host is default_host unless --host
// names another.
ClientOptions ParseOptions(const std::vector<std::string>& args, const std::string& default_host);

}  // namespace ferolant::client
