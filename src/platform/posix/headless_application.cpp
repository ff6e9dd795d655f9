#include "platform/posix/headless_application.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <stdexcept>

#include "platform/posix/brief_spin.h"
#include "platform/posix/headless_form.h"
#include "platform/posix/headless_timer.h"

namespace {

// How long the main thread stays awake after a hand-over, watching for the
// next: one request's round trip through the browser when the machine is not
// busy, so that a steady stream of requests never puts it to sleep.
constexpr std::chrono::microseconds kMainWatchTime{200};
// How long a caller waits for its routine before it sleeps: a routine handed
// over is short, and the main thread is usually awake to take it at once.
constexpr std::chrono::microseconds kCallerSpinTime{50};

// What a termination signal reaches: a flag and the wake pipe of the
// application that listens (one per process).
// Atomics rather than volatile: the handler may run on any thread.
std::atomic<int> gShutdownWakeFd{-1};
std::atomic<bool> gShutdownRequested{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");

extern "C" void OnShutdownSignal(int) {
  const int savedErrno = errno;
  gShutdownRequested = true;
  const int fd = gShutdownWakeFd.load();
  if (fd >= 0) {
    const char wake = 's';
    [[maybe_unused]] const ssize_t ignored = ::write(fd, &wake, 1);
  }
  errno = savedErrno;
}

}  // namespace

THeadlessApplication::THeadlessApplication() : FMainThreadId(std::this_thread::get_id()) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::runtime_error("Cannot create the main loop's wake pipe");
  }
  FWakeRead.Reset(fds[0]);
  FWakeWrite.Reset(fds[1]);
}

THeadlessApplication::~THeadlessApplication() {
  int mine = FWakeWrite.Get();
  gShutdownWakeFd.compare_exchange_strong(mine, -1);
}

void THeadlessApplication::Initialize() { FMainThreadId = std::this_thread::get_id(); }

void THeadlessApplication::Synchronize(const std::function<void()>& routine) {
  if (IsMainThread()) {
    routine();
    return;
  }
  auto request = std::make_shared<TSyncRequest>();
  request->Routine = &routine;
  Post(TEvent{request, nullptr});
  const auto done = [&] { return request->Done.load(std::memory_order_acquire); };
  if (!brief_spin::Until(done, kCallerSpinTime)) {
    std::unique_lock lock(request->Mutex);
    request->Finished.wait(lock, done);
  }
  // Done is raised after Error is set, and the main thread touches neither
  // again. Taken out, so that the error object lives and dies on this thread.
  std::exception_ptr error = std::move(request->Error);
  if (error) std::rethrow_exception(error);
}

std::unique_ptr<IFormWindow> THeadlessApplication::CreateForm(TCreateParamsHook createParams) {
  return std::make_unique<THeadlessForm>(*this, std::move(createParams));
}

std::unique_ptr<ITimer> THeadlessApplication::CreateTimer(std::function<void()> onTimer) {
  return std::make_unique<THeadlessTimer>(*this, std::move(onTimer));
}

void THeadlessApplication::Run(IFormWindow& mainForm) {
  // Only forms made by this application reach here.
  auto& form = static_cast<THeadlessForm&>(mainForm);
  FMainForm = &form;
  form.Show();
  // A worker started with the main form usually hands its first routine over
  // at once (the browser writes its request as soon as the host exists).
  bool justStarted = true;
  while (!form.Closed()) {
    const bool handedOver = RunEvents();
    if (FListensForShutdown && gShutdownRequested.exchange(false)) {
      form.Close();
    }
    if (form.Closed()) break;
    FireDueTimers();
    if (form.Closed()) break;

    if (!FEventPosted.load()) {
      const int timeout = MillisecondsToNextTimer();
      const bool watch = handedOver || justStarted;
      justStarted = false;
      if (watch && WatchForNextEvent(timeout)) continue;
      pollfd wait{FWakeRead.Get(), POLLIN, 0};
      ::poll(&wait, 1, timeout);
      DrainWakePipe();
    }
  }
  FMainForm = nullptr;
}

void THeadlessApplication::CloseMainFormOnShutdownRequests() {
  FListensForShutdown = true;
  gShutdownWakeFd = FWakeWrite.Get();
  struct sigaction action {};
  action.sa_handler = OnShutdownSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

void THeadlessApplication::RegisterForm(THeadlessForm* form) {
  std::lock_guard lock(FMutex);
  FForms.insert(form);
}

void THeadlessApplication::UnregisterForm(THeadlessForm* form) {
  std::lock_guard lock(FMutex);
  FForms.erase(form);
}

void THeadlessApplication::PostClose(THeadlessForm* form) { Post(TEvent{nullptr, form}); }

void THeadlessApplication::RegisterTimer(THeadlessTimer* timer) { FTimers.push_back(timer); }

void THeadlessApplication::UnregisterTimer(THeadlessTimer* timer) { std::erase(FTimers, timer); }

void THeadlessApplication::Post(TEvent event) {
  {
    std::lock_guard lock(FMutex);
    FEvents.push_back(std::move(event));
  }
  FEventPosted.store(true);
  if (!FMainWatching.load()) Wake();
}

bool THeadlessApplication::WatchForNextEvent(int millisecondsToNextTimer) {
  // A timer due now is not kept waiting (later ones are at least a
  // millisecond away, longer than the watch).
  if (millisecondsToNextTimer == 0) return false;
  FMainWatching.store(true);
  const bool came = brief_spin::Until(
      [this] { return FEventPosted.load() || (FListensForShutdown && gShutdownRequested.load()); },
      kMainWatchTime);
  FMainWatching.store(false);
  // A poster that still saw the watch has not written to the wake pipe.
  return came || FEventPosted.load();
}

void THeadlessApplication::Wake() noexcept {
  const char wake = 'w';
  // A full pipe already holds a wake-up; nothing is lost by failing here.
  [[maybe_unused]] const ssize_t ignored = ::write(FWakeWrite.Get(), &wake, 1);
}

void THeadlessApplication::DrainWakePipe() noexcept {
  char buffer[64];
  while (::read(FWakeRead.Get(), buffer, sizeof buffer) > 0) {
  }
}

bool THeadlessApplication::RunEvents() {
  bool handedOver = false;
  FEventPosted.store(false);
  for (;;) {
    TEvent event;
    {
      std::lock_guard lock(FMutex);
      if (FEvents.empty()) return handedOver;
      event = FEvents.front();
      FEvents.pop_front();
      // A form destroyed since the close was posted is not touched.
      if (event.Close && !FForms.contains(event.Close)) continue;
    }
    if (event.Close) {
      event.Close->Close();
      continue;
    }
    handedOver = true;
    try {
      (*event.Sync->Routine)();
    } catch (...) {
      event.Sync->Error = std::current_exception();
    }
    {
      std::lock_guard lock(event.Sync->Mutex);
      event.Sync->Done.store(true, std::memory_order_release);
    }
    // The request is shared: a caller that saw Done and left does not take
    // the condition variable with it.
    event.Sync->Finished.notify_all();
  }
}

void THeadlessApplication::FireDueTimers() {
  const auto now = THeadlessTimer::TClock::now();
  std::vector<THeadlessTimer*> due;
  for (THeadlessTimer* timer : FTimers) {
    if (timer->Running() && timer->Due() <= now) due.push_back(timer);
  }
  for (THeadlessTimer* timer : due) {
    // An earlier tick handler may have stopped or destroyed this timer.
    if (std::find(FTimers.begin(), FTimers.end(), timer) == FTimers.end()) continue;
    if (!timer->Running() || timer->Due() > now) continue;
    try {
      timer->Tick(now);
    } catch (...) {
      // A failing tick handler does not stop the loop.
    }
  }
}

int THeadlessApplication::MillisecondsToNextTimer() const {
  const THeadlessTimer* next = nullptr;
  for (const THeadlessTimer* timer : FTimers) {
    if (timer->Running() && (!next || timer->Due() < next->Due())) next = timer;
  }
  if (!next) return -1;
  const auto left = next->Due() - THeadlessTimer::TClock::now();
  if (left <= THeadlessTimer::TClock::duration::zero()) return 0;
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

std::unique_ptr<IApplication> CreateApplication() {
  return std::make_unique<THeadlessApplication>();
}
