// A signing library that offers one of its functions only, for the
// test of a host that must refuse to start without the others.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) std::int32_t AboutW(void** about) {
  *about = nullptr;
  return 0;
}
