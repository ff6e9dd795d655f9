// Closes a form whose loop has not ended by itself in generous time, so that a
// broken loop fails the test instead of hanging it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/form_window.h"

class TRunGuard {
 public:
  explicit TRunGuard(platform::IFormWindow& form,
                     std::chrono::milliseconds timeout = std::chrono::seconds(20))
      : FThread([this, &form, timeout] {
          std::unique_lock lock(FMutex);
          if (!FDone.wait_for(lock, timeout, [this] { return FStopped; })) {
            TimedOut = true;
            form.PostClose();
          }
        }) {}
  ~TRunGuard() {
    {
      std::lock_guard lock(FMutex);
      FStopped = true;
    }
    FDone.notify_all();
    FThread.join();
  }
  TRunGuard(const TRunGuard&) = delete;
  TRunGuard& operator=(const TRunGuard&) = delete;

  std::atomic<bool> TimedOut{false};

 private:
  std::mutex FMutex;
  std::condition_variable FDone;
  bool FStopped = false;
  std::thread FThread;
};
