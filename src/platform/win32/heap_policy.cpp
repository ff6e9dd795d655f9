#include "platform/heap_policy.h"

// The Windows heap keeps freed blocks for reuse by itself.
void KeepLargeBlocksForReuse() noexcept {}
