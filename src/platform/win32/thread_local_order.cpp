// Thread-local objects are destroyed while the rest of their thread's
// thread-local storage still exists.
//
// With mingw-w64, thread-local variables live in blocks that one thread key
// frees at the thread's end, and the destructors of thread-local objects are
// run by a second key. Keys are cleared in the order they were made, and the
// storage key is made by the first thread-local access, which always comes
// before the first destructor is registered. So every destructor ran on
// freed storage: the block cache's hand-back at a thread's end saw a fresh,
// empty state (its chunks leaked), and a value freed by a later destructor
// was read from freed memory (on i686 that ended in a page fault).
//
// Registering one destructor before anything in the program touches a
// thread-local variable makes the destructor key first, so destructors run
// before the storage goes.
//
// The price is at the process's exit: the runtime's hook for the main
// thread's thread-local objects is registered before every static object,
// so those objects are destroyed after the static ones rather than before.
// The only one with a destructor, the block cache's hand-back, needs no
// static object.
#include <cxxabi.h>

namespace platform {

// Named by the linker as a symbol to pull in, since nothing calls into this file.
extern "C" const int ferolant_thread_local_order = 0;

namespace {

// Called the way destructors are, which on i686 is not the default convention; GCC applies
// that convention to a free function as asked, but warns that it is not a member.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
void _GLIBCXX_CDTOR_CALLABI Nothing(void*) {}
#pragma GCC diagnostic pop

struct TThreadLocalOrder {
  TThreadLocalOrder() noexcept { __cxxabiv1::__cxa_thread_atexit(Nothing, nullptr, nullptr); }
};

// Before every initializer of default priority, any of which may touch a thread-local variable.
[[gnu::init_priority(101)]] TThreadLocalOrder order;

}  // namespace

}  // namespace platform
