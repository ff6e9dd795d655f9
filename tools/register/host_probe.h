#pragma once
// Starting a host the way a browser does and asking it the one question every host answers.
#include <chrono>
#include <string>

namespace ferolant::reg {

struct TProbeResult {
  bool Ok = false;
  std::string Text;  // "starts, answers NATIVEVERSION with '2' in 3 ms, ..." or why not
};

// Starts path, sends NATIVEVERSION, waits for the reply, closes the host's input and waits
// for it to end; each wait lasts at most timeout.
TProbeResult ProbeHost(const std::string& path,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace ferolant::reg
