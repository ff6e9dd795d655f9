// Vector code in callbacks that the system enters. 32-bit Windows promises such code only a
// stack aligned to 4 bytes (its own libraries keep no more), while the compiler keeps 16-byte
// values on the stack and reads some of them back with instructions that fault unless they are
// aligned; the build makes every function that does so align its own stack. Each callback here
// is entered from a stack 4 bytes off: straight, as such a system library calls a window
// procedure, and through the system's own calls of the kinds the host has. Under wine the
// system's calls realign the stack themselves, so there the straight entry is the one that
// fails when the build does not realign. On x86_64 the calling convention keeps 16 bytes
// everywhere and the callbacks are entered as they come.
#include <emmintrin.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

namespace {

#if defined(__i386__)
// Calls fn(a, b, c, d), stdcall, with the stack 4 bytes off 16-byte alignment at the call;
// restores the stack from the frame, so fn may take fewer arguments.
extern "C" std::uintptr_t ferolant_call_off_aligned(const void* fn, std::uintptr_t a,
                                                    std::uintptr_t b, std::uintptr_t c,
                                                    std::uintptr_t d);
asm(".text\n"
    ".globl _ferolant_call_off_aligned\n"
    "_ferolant_call_off_aligned:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  andl $-16, %esp\n"
    "  subl $4, %esp\n"
    "  pushl 24(%ebp)\n"
    "  pushl 20(%ebp)\n"
    "  pushl 16(%ebp)\n"
    "  pushl 12(%ebp)\n"
    "  call *8(%ebp)\n"
    "  movl %ebp, %esp\n"
    "  popl %ebp\n"
    "  ret\n");

template <class TFn>
std::uintptr_t CallOffAligned(TFn* fn, std::uintptr_t a, std::uintptr_t b = 0, std::uintptr_t c = 0,
                              std::uintptr_t d = 0) {
  return ferolant_call_off_aligned(reinterpret_cast<const void*>(fn), a, b, c, d);
}
#else
template <class TFn>
std::uintptr_t CallOffAligned(TFn* fn, std::uintptr_t a, std::uintptr_t b = 0, std::uintptr_t c = 0,
                              std::uintptr_t d = 0) {
  using TFour =
      std::uintptr_t(WINAPI*)(std::uintptr_t, std::uintptr_t, std::uintptr_t, std::uintptr_t);
  return reinterpret_cast<TFour>(reinterpret_cast<void*>(fn))(a, b, c, d);
}
#endif

[[gnu::noinline]] void Publish(__m128i* values) noexcept {
  asm volatile("" : : "r"(values) : "memory");
}

// 4 * x, through two vectors on the stack that are read back as operands of additions.
[[gnu::noinline]] int VectorWork(int x) noexcept {
  __m128i v[2];
  v[0] = _mm_set1_epi32(x);
  v[1] = _mm_add_epi32(v[0], v[0]);
  Publish(v);
  return _mm_cvtsi128_si32(_mm_add_epi32(_mm_set1_epi32(x), _mm_add_epi32(v[0], v[1])));
}

int gSeen = 0;  // what the last callback computed

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message != WM_APP) return DefWindowProcW(window, message, w, l);
  return VectorWork(static_cast<int>(w));
}

BOOL CALLBACK CodePageProc(LPWSTR) {
  gSeen = VectorWork(3);
  return FALSE;
}

void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD) { gSeen = VectorWork(5); }

DWORD WINAPI ThreadProc(void* x) {
  return static_cast<DWORD>(VectorWork(static_cast<int>(reinterpret_cast<std::uintptr_t>(x))));
}

struct TMessageWindow {
  TMessageWindow() {
    WNDCLASSW kind{};
    kind.lpfnWndProc = WindowProc;
    kind.hInstance = GetModuleHandleW(nullptr);
    kind.lpszClassName = L"FerolantStackAlignment";
    RegisterClassW(&kind);
    Handle = CreateWindowExW(0, kind.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             kind.hInstance, nullptr);
  }
  ~TMessageWindow() { DestroyWindow(Handle); }
  TMessageWindow(const TMessageWindow&) = delete;
  TMessageWindow& operator=(const TMessageWindow&) = delete;
  HWND Handle;
};

int Straight() {
  TMessageWindow window;
  return static_cast<int>(
      CallOffAligned(WindowProc, reinterpret_cast<std::uintptr_t>(window.Handle), WM_APP, 1));
}

int SentMessage() {
  TMessageWindow window;
  return static_cast<int>(
      CallOffAligned(SendMessageW, reinterpret_cast<std::uintptr_t>(window.Handle), WM_APP, 2));
}

int CodePageEnumeration() {
  gSeen = 0;
  CallOffAligned(EnumSystemCodePagesW, reinterpret_cast<std::uintptr_t>(&CodePageProc),
                 CP_INSTALLED);
  return gSeen;
}

int Timer() {
  gSeen = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, TimerProc);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER) {
    DispatchMessageW(&message);
  }
  CallOffAligned(DispatchMessageW, reinterpret_cast<std::uintptr_t>(&message));
  KillTimer(nullptr, timer);
  return gSeen;
}

int ThreadStart() {
  HANDLE thread = CreateThread(nullptr, 0, ThreadProc, reinterpret_cast<void*>(4), 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
  DWORD result = 0;
  GetExitCodeThread(thread, &result);
  CloseHandle(thread);
  return static_cast<int>(result);
}

TEST(StackAlignment, VectorCodeRunsInCallbacksEnteredWithAFourByteAlignedStack) {
  const struct {
    const char* Entry;
    int (*Run)();
    int Expected;
  } cases[] = {
      {"window procedure, entered straight", Straight, 4},
      {"window procedure, through SendMessageW", SentMessage, 8},
      {"EnumSystemCodePagesW callback", CodePageEnumeration, 12},
      {"timer procedure, through DispatchMessageW", Timer, 20},
      {"thread start", ThreadStart, 16},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Run(), c.Expected) << c.Entry;
}

}  // namespace
