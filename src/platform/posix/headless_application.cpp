#include "platform/posix/headless_application.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <stdexcept>

#include "platform/posix/headless_form.h"
#include "platform/posix/headless_timer.h"

namespace platform {

namespace {

// How long a caller whose main thread is awake looks for its routine's end
// before it sleeps: about what a short routine takes when the main thread
// picks it up at once, far less than a sleep and a wake-up cost.
constexpr std::chrono::nanoseconds kCallerSpinTime{400};

// What a termination signal reaches: a flag and the wake-up descriptor of the
// application that listens (one per process). Lock-free atomics rather than
// volatile: the handler may run on any thread.
std::atomic<int> gShutdownWakeFd{-1};
std::atomic<bool> gShutdownRequested{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");

void WriteWake(int fd) noexcept {
  const std::uint64_t one = 1;
  // Fails only when the counter is full, which is a wake-up already.
  [[maybe_unused]] const ssize_t ignored = ::write(fd, &one, sizeof one);
}

extern "C" void OnShutdownSignal(int) {
  const int savedErrno = errno;
  gShutdownRequested = true;
  const int fd = gShutdownWakeFd.load();
  if (fd >= 0) WriteWake(fd);
  errno = savedErrno;
}

}  // namespace

THeadlessApplication::THeadlessApplication()
    : FMainThreadId(std::this_thread::get_id()), FWake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (!FWake) throw std::runtime_error("Cannot create the main loop's wake-up");
}

THeadlessApplication::~THeadlessApplication() {
  int mine = FWake.Get();
  gShutdownWakeFd.compare_exchange_strong(mine, -1);
}

void THeadlessApplication::Initialize() { FMainThreadId = std::this_thread::get_id(); }

void THeadlessApplication::Synchronize(const std::function<void()>& routine) {
  if (IsMainThread()) {
    routine();
    return;
  }
  TSyncCall call;
  call.Routine = &routine;
  const bool mainAwake = Post(TEvent{&call, nullptr});
  const auto done = [&] { return call.State.load(std::memory_order_acquire) == TSyncCall::kDone; };
  // A main thread that sleeps takes longer to wake than any spin should last.
  if (!(mainAwake && futex::SpinUntil(done, kCallerSpinTime))) {
    std::uint32_t state = TSyncCall::kPending;
    if (call.State.compare_exchange_strong(state, TSyncCall::kCallerAsleep,
                                           std::memory_order_acquire)) {
      state = TSyncCall::kCallerAsleep;
    }
    while (state != TSyncCall::kDone) {
      futex::Wait(call.State, TSyncCall::kCallerAsleep);
      state = call.State.load(std::memory_order_acquire);
    }
  }
  // Done is stored after Error, and the main thread touches neither again.
  if (call.Error) std::rethrow_exception(call.Error);
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
  while (!form.Closed()) {
    RunEvents();
    if (FListensForShutdown && gShutdownRequested.exchange(false)) {
      form.Close();
    }
    if (form.Closed()) break;
    FireDueTimers();
    if (form.Closed()) break;
    WaitForEvents(MillisecondsToNextTimer());
  }
  FMainForm = nullptr;
}

void THeadlessApplication::CloseMainFormOnShutdownRequests() {
  FListensForShutdown = true;
  gShutdownWakeFd = FWake.Get();
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

bool THeadlessApplication::Post(TEvent event) {
  std::lock_guard lock(FMutex);
  FEvents.push_back(event);
  if (!FMainAsleep.load()) return true;
  WriteWake(FWake.Get());
  return false;
}

bool THeadlessApplication::HasEvents() {
  std::lock_guard lock(FMutex);
  return !FEvents.empty();
}

void THeadlessApplication::WaitForEvents(int timeout) {
  if (timeout == 0) return;
  FMainAsleep.store(true);
  if (!HasEvents() && !(FListensForShutdown && gShutdownRequested.load())) {
    pollfd wake{FWake.Get(), POLLIN, 0};
    ::poll(&wake, 1, timeout);
  }
  FMainAsleep.store(false);
  // Taken after the sleep: one written since stays for the next.
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t ignored = ::read(FWake.Get(), &count, sizeof count);
}

void THeadlessApplication::RunEvents() {
  for (;;) {
    TEvent event;
    {
      std::lock_guard lock(FMutex);
      if (FEvents.empty()) return;
      event = FEvents.front();
      FEvents.pop_front();
      // A form destroyed since the close was posted is not touched.
      if (event.Close && !FForms.contains(event.Close)) continue;
    }
    if (event.Close) {
      event.Close->Close();
      continue;
    }
    TSyncCall* call = event.Sync;
    try {
      (*call->Routine)();
    } catch (...) {
      call->Error = std::current_exception();
    }
    // The last touch of the call: its caller may return as soon as it sees done, so only the
    // address is kept for the wake.
    const futex::TWord* state = &call->State;
    if (call->State.exchange(TSyncCall::kDone, std::memory_order_acq_rel) ==
        TSyncCall::kCallerAsleep) {
      futex::WakeOne(state);
    }
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

}  // namespace platform
