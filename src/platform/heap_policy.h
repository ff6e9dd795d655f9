// How the process heap treats large blocks that requests leave behind.
#pragma once

namespace platform {

// Called once at start. Every request converts its text a few times into
// fresh blocks of about the size of the message; giving those back to the
// system after each request and faulting them in again for the next one can
// cost more than the conversions themselves, so the heap keeps them for
// reuse (up to some tens of MiB). Peak memory is unchanged. All threads
// share one heap, so that starting the worker makes none.
void KeepLargeBlocksForReuse() noexcept;

}  // namespace platform
