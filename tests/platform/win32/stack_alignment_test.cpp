// 32-bit Windows enters callbacks with a stack aligned to 4 bytes only, while vector code reads
// 16-byte values back from the stack with instructions that fault unless aligned: the build
// makes each such function align its own stack. Under wine the system's calls realign the
// stack themselves, so the straight entry (as a system library built for 4 bytes calls a
// window procedure) is the case that fails when the build does not realign.
#include <emmintrin.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

namespace {

using TCall = std::uintptr_t(WINAPI*)(std::uintptr_t, std::uintptr_t, std::uintptr_t,
                                      std::uintptr_t);
#if defined(__i386__)
// Calls fn(a, b, c, d) with the stack 4 bytes off 16-byte alignment; fn may take fewer.
extern "C" std::uintptr_t ferolant_call_off_aligned(TCall fn, std::uintptr_t a, std::uintptr_t b,
                                                    std::uintptr_t c, std::uintptr_t d);
asm(".text\n.globl _ferolant_call_off_aligned\n_ferolant_call_off_aligned:\n"
    "  pushl %ebp\n  movl %esp, %ebp\n  andl $-16, %esp\n  subl $4, %esp\n"
    "  pushl 24(%ebp)\n  pushl 20(%ebp)\n  pushl 16(%ebp)\n  pushl 12(%ebp)\n"
    "  call *8(%ebp)\n  movl %ebp, %esp\n  popl %ebp\n  ret\n");
#else
// The x86_64 convention keeps 16 bytes everywhere: nothing to take off.
std::uintptr_t ferolant_call_off_aligned(TCall fn, std::uintptr_t a, std::uintptr_t b,
                                         std::uintptr_t c, std::uintptr_t d) {
  return fn(a, b, c, d);
}
#endif

template <class TFn>
int CallOffAligned(TFn* fn, std::uintptr_t a, std::uintptr_t b, std::uintptr_t c = 0) {
  return static_cast<int>(
      ferolant_call_off_aligned(reinterpret_cast<TCall>(reinterpret_cast<void*>(fn)), a, b, c, 0));
}

// 4 * x, through two vectors on the stack that are read back as operands of additions.
[[gnu::noinline]] int VectorWork(int x) noexcept {
  __m128i v[2];
  v[0] = _mm_set1_epi32(x);
  v[1] = _mm_add_epi32(v[0], v[0]);
  asm volatile("" : : "r"(v) : "memory");
  return _mm_cvtsi128_si32(_mm_add_epi32(_mm_set1_epi32(x), _mm_add_epi32(v[0], v[1])));
}

LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM x, LPARAM) { return VectorWork(int(x)); }

int gEnumerated = 0;
BOOL CALLBACK CodePageProc(LPWSTR) { return (gEnumerated = VectorWork(3)), FALSE; }

TEST(StackAlignment, VectorCodeRunsInCallbacksEnteredWithAFourByteAlignedStack) {
  EXPECT_EQ(CallOffAligned(WindowProc, 0, WM_APP, 1), 4) << "window procedure, entered straight";
  CallOffAligned(EnumSystemCodePagesW, reinterpret_cast<std::uintptr_t>(&CodePageProc),
                 CP_INSTALLED);
  EXPECT_EQ(gEnumerated, 12) << "EnumSystemCodePagesW callback";
}

}  // namespace
