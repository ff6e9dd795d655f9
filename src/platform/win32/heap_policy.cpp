#include "platform/heap_policy.h"

namespace platform {

// The Windows heap keeps freed blocks for reuse by itself.
void KeepLargeBlocksForReuse() noexcept {}

}  // namespace platform
