#include "platform/thread.h"

#include <thread>

#include "platform/thread_id.h"

namespace platform {

void TThread::StartFreeOnTerminate(std::unique_ptr<TThread> thread) {
  // The new thread owns the object; detaching means nobody waits for it, so
  // the process can end while the body still sits in a blocking read.
  std::thread([owned = std::move(thread)]() mutable {
    owned->RunHere();
    owned.reset();
  }).detach();
}

void TThread::RunHere() noexcept {
  FThreadID = CurrentThreadId();
  try {
    Execute();
  } catch (...) {
    // A thread body that fails just ends; there is nobody left to tell.
  }
}

}  // namespace platform
