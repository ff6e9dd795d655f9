// The main thread's synchronous hand-over.
#pragma once

#include <functional>

namespace platform {

class IMainThread {
 public:
  virtual ~IMainThread() = default;

  // Runs routine on the main thread and blocks the caller until it has run.
  // Whatever the routine throws is thrown again in the caller. Called on the
  // main thread itself, the routine runs at once.
  virtual void Synchronize(const std::function<void()>& routine) = 0;

 protected:
  IMainThread() = default;
  IMainThread(const IMainThread&) = default;
  IMainThread& operator=(const IMainThread&) = default;
};

}  // namespace platform
