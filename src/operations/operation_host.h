#pragma once
// What an operation handler needs from the worker that runs it: the request's parameters, the
// one reply it must send, and the request to watch for a dialog of the signing library.

#include <cstdint>
#include <string>
#include <utility>

#include "operations/ole_text.h"

class TWideStrings;

class IOperationHost {
 public:
  // The request's parameters: item 0 is "param1". Only a gap-free run is present.
  virtual const TWideStrings& Params() const = 0;

  // Hands the reply triple on; called exactly once per request. Empty texts mean none.
  virtual void SendReply(std::int32_t errNo, std::u16string errMsg, std::u16string data) = 0;
  // The same with the data text still in the library's string, which the host then owns: a
  // host may hand a long result out from there instead of from a copy of tens of megabytes.
  virtual void SendLibraryReply(std::int32_t errNo, std::u16string errMsg, TOutBstr data) {
    SendReply(errNo, std::move(errMsg), data.TakeText());
  }

  // Asks the main thread to look for the library's dialog on this thread and bring it forward;
  // returns once the watch has started.
  virtual void SyncFixWind() = 0;

 protected:
  ~IOperationHost() = default;
};
