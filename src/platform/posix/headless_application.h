// The application without a window system: a message loop on the main thread
// that runs synchronised routines, posted closes and timer ticks.
//
// The hand-over. A routine is queued under FMutex and the caller sleeps on its
// own call's futex word until the main thread has run it; the main thread
// sleeps in poll() on an eventfd between events (a termination signal may
// also write to it). Nobody gives the processor away while waiting for someone
// else: on a busy machine that gives it to the other programs, not to the
// thread being waited for. A wait is a sleep that the other side ends as soon
// as it has done its part; only a caller whose main thread is known to be
// awake spins first, and for less than a microsecond.
//
// Why no wake-up is lost, in the memory model:
// - The main thread, before it sleeps, (1) raises FMainAsleep, (2) looks at
//   the queue under FMutex and at the shutdown flag, and sleeps only if both
//   are empty. A wake-up written to the eventfd stays there until the main
//   thread reads it after its sleep, so one written after the look, even
//   before poll() begins, ends the sleep at once.
// - A poster (a) queues its event, (b) reads FMainAsleep and, if raised,
//   (c) writes a wake-up, all under FMutex: the main thread cannot take the
//   event, run it and let the application be destroyed while the poster still
//   reads its members.
// If the look (2) took FMutex before the poster's (a), then (1) happens before
// (b) through the mutex, so (b) reads that raised flag or a later value: a
// lowered flag is stored only after a sleep has ended, and the next look of
// that main thread comes after a raise that (b) would then have read, so that
// look finds the event. If (a) came first, the look finds the event. A posted
// event therefore never waits for a main thread that sleeps without a time
// limit. The shutdown signal raises its flag and then always writes a
// wake-up.
// - The caller's word TSyncCall::State goes from pending to done once, by
//   the main thread's exchange (release) after the routine and its error are
//   stored; the caller reads done (acquire) before it touches them. A caller
//   that is about to sleep first changes pending to asleep by compare-and-
//   swap, so the main thread's exchange sees whether a wake is needed, and the
//   kernel's compare-and-sleep on asleep makes a done that came in between
//   end the wait at once. The call lives on the caller's stack: after the
//   exchange the main thread touches it no more, except for the address
//   handed to the wake (futex.h says why that is harmless).
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/application.h"
#include "platform/posix/futex.h"
#include "platform/posix/unique_fd.h"

namespace platform {

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
  // One hand-over, on the stack of the waiting thread.
  struct TSyncCall {
    enum : std::uint32_t { kPending, kDone, kCallerAsleep };
    const std::function<void()>* Routine = nullptr;
    std::exception_ptr Error;
    futex::TWord State{kPending};
  };
  struct TEvent {
    TSyncCall* Sync = nullptr;       // a routine to run, or
    THeadlessForm* Close = nullptr;  // a form to close
  };

  bool IsMainThread() const noexcept { return std::this_thread::get_id() == FMainThreadId; }
  // Queues an event and wakes the main thread if it sleeps; whether it was
  // awake (and so about to take the event without a wake-up).
  bool Post(TEvent event);
  // Runs the queued events.
  void RunEvents();
  // Sleeps until an event is posted, a shutdown is asked for or timeout
  // milliseconds have passed (-1: no limit).
  void WaitForEvents(int timeout);
  bool HasEvents();
  void FireDueTimers();
  int MillisecondsToNextTimer() const;

  std::thread::id FMainThreadId;

  std::mutex FMutex;  // guards FEvents and FForms
  std::deque<TEvent> FEvents;
  // The main thread sleeps in poll() on it; written to wake it.
  TUniqueFd FWake;
  // The main thread may be asleep: raised before it last looked at the queue.
  std::atomic<bool> FMainAsleep{false};
  std::set<THeadlessForm*> FForms;

  std::vector<THeadlessTimer*> FTimers;  // main thread only
  THeadlessForm* FMainForm = nullptr;
  bool FListensForShutdown = false;

  std::u16string FTitle;
  bool FWindowVisible = true;
  std::uint32_t FExStyle = 0;
};

}  // namespace platform
