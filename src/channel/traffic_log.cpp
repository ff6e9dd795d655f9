#include <utility>

#include "channel/NMKomunikace.h"

void TNMKomunikace::Log(std::string line) {
  FLogLine = std::move(line);
  Synchronize([this] { WriteLog(); });
}

void TNMKomunikace::WriteLog() {
  ILogControl& log = FForm.LogControl();
  log.AppendLine(FLogLine);
  try {
    log.SaveToFile(FLogFileName);
  } catch (const std::exception&) {
    // A log that cannot be saved must not cost a request its reply: the line
    // stays in the window log and the traffic goes on.
  }
}
