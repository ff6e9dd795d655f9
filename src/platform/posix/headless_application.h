// The application without a window system: a message loop on the main thread
// that runs synchronised routines, posted closes and timer ticks, and wakes
// through a pipe (which a termination signal may also write to).
//
// The worker hands a routine over for every request, one request after
// another. After running one, the main thread stays awake for a moment watching
// for the next, and a worker waits briefly for its routine before it sleeps:
// while both are awake a hand-over costs no system call at all.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/application.h"
#include "platform/posix/unique_fd.h"

class THeadlessForm;
class THeadlessTimer;

class THeadlessApplication final : public IApplication {
 public:
  THeadlessApplication();
  ~THeadlessApplication() override;

  void Initialize() override;
  void Synchronize(const std::function<void()>& routine) override;

  void SetTitle(const std::u16string& title) override { FTitle = title; }
  std::u16string Title() const override { return FTitle; }
  void ShowApplicationWindow(bool show) override { FWindowVisible = show; }
  bool ApplicationWindowVisible() const noexcept override { return FWindowVisible; }
  std::uint32_t ApplicationExStyle() const noexcept override { return FExStyle; }
  void SetApplicationExStyle(std::uint32_t exStyle) override { FExStyle = exStyle; }

  std::unique_ptr<IFormWindow> CreateForm(TCreateParamsHook createParams) override;
  std::unique_ptr<ITimer> CreateTimer(std::function<void()> onTimer) override;

  void Run(IFormWindow& mainForm) override;
  void CloseMainFormOnShutdownRequests() override;

  // For forms and timers.
  void RegisterForm(THeadlessForm* form);
  void UnregisterForm(THeadlessForm* form);
  void PostClose(THeadlessForm* form);
  void RegisterTimer(THeadlessTimer* timer);
  void UnregisterTimer(THeadlessTimer* timer);

 private:
  // Shared by the waiting thread and the main thread, so that neither needs
  // the other (nor the application) to be alive once the routine has run.
  struct TSyncRequest {
    const std::function<void()>* Routine = nullptr;
    std::exception_ptr Error;
    std::mutex Mutex;
    std::condition_variable Finished;
    // Set under Mutex; read without it by a caller that spins before it sleeps.
    std::atomic<bool> Done{false};
  };
  struct TEvent {
    std::shared_ptr<TSyncRequest> Sync;  // a routine to run, or
    THeadlessForm* Close = nullptr;      // a form to close
  };

  bool IsMainThread() const noexcept { return std::this_thread::get_id() == FMainThreadId; }
  // Queues an event and wakes the main thread unless it is watching anyway.
  void Post(TEvent event);
  void Wake() noexcept;
  void DrainWakePipe() noexcept;
  // Runs the queued events; whether a routine handed over was among them.
  bool RunEvents();
  // After a hand-over: watches for the next event for a moment instead of
  // sleeping; whether one came.
  bool WatchForNextEvent(int millisecondsToNextTimer);
  void FireDueTimers();
  int MillisecondsToNextTimer() const;

  std::thread::id FMainThreadId;
  TUniqueFd FWakeRead;
  TUniqueFd FWakeWrite;

  std::mutex FMutex;  // guards FEvents and FForms
  std::deque<TEvent> FEvents;
  // Raised after every event queued, lowered by the main thread before it
  // takes the queue: a main thread that watches needs no lock to see work.
  std::atomic<bool> FEventPosted{false};
  // The main thread is watching FEventPosted and needs no wake-up. Both flags
  // are sequentially consistent: a poster that sees this false wakes the
  // main thread, and a main thread that lowers it looks at FEventPosted again.
  std::atomic<bool> FMainWatching{false};
  std::set<THeadlessForm*> FForms;

  std::vector<THeadlessTimer*> FTimers;  // main thread only
  THeadlessForm* FMainForm = nullptr;
  bool FListensForShutdown = false;

  std::u16string FTitle;
  bool FWindowVisible = true;
  std::uint32_t FExStyle = 0;
};
