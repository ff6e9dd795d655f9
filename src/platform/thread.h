// A worker thread with a terminate request, the synchronous hand-over to the
// main thread and an owner that may be the thread itself.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/main_thread.h"

namespace platform {

class TThread {
 public:
  virtual ~TThread() = default;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Runs the thread's body on a new thread that owns the object and destroys
  // it when the body returns; nothing else may keep a pointer to it.
  static void StartFreeOnTerminate(std::unique_ptr<TThread> thread);

  // Runs the body on the calling thread (what the started thread does).
  // Errors that escape the body are swallowed, as on the started thread.
  void RunHere() noexcept;

  void Terminate() noexcept { FTerminated = true; }
  bool Terminated() const noexcept { return FTerminated; }
  // The operating system's id of the thread running the body; 0 before it runs.
  std::uint32_t ThreadID() const noexcept { return FThreadID; }

 protected:
  explicit TThread(IMainThread& mainThread) noexcept : FMainThread(mainThread) {}

  virtual void Execute() = 0;

  void Synchronize(const std::function<void()>& routine) { FMainThread.Synchronize(routine); }

 private:
  IMainThread& FMainThread;
  std::atomic<bool> FTerminated{false};
  std::atomic<std::uint32_t> FThreadID{0};
};

}  // namespace platform
