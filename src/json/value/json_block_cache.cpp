#include "json/value/json_block_cache.h"

#include <atomic>
#include <cstdint>
#include <new>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
// A block given back stays inside its chunk; poisoning it lets the address
// sanitizer still report a use after the free.
#define JSON_BLOCK_FREED(block, size) ASAN_POISON_MEMORY_REGION(block, size)
#define JSON_BLOCK_TAKEN(block, size) ASAN_UNPOISON_MEMORY_REGION(block, size)
#else
#define JSON_BLOCK_FREED(block, size) ((void)(block), (void)(size))
#define JSON_BLOCK_TAKEN(block, size) ((void)(block), (void)(size))
#endif

namespace json_blocks {
namespace {

constexpr std::size_t kGranule = 16;

// While a thread cuts blocks from a chunk, the chunk's count starts this far
// above anything frees can take off, so that frees on other threads never
// see it reach zero; when the thread moves on, it takes off the part that it
// did not cut.
constexpr std::int32_t kOpenBias = std::int32_t(1) << 30;

struct alignas(kGranule) TChunk {
  std::atomic<std::int32_t> Live{0};
  TChunk* NextKept = nullptr;  // the next of a thread's empty chunks
};
static_assert(sizeof(TChunk) == kGranule);
static_assert((kChunkBytes & (kChunkBytes - 1)) == 0, "chunks are found by masking");

enum class TPhase : std::uint8_t {
  Unwatched,  // the thread has neither an open chunk nor kept ones
  Watched,    // the thread's end closes its open chunk and frees the kept ones
  Gone,       // the thread's end has passed: every block gets a chunk of its own
};

// Trivially constructed and destroyed, so that it stays usable while the
// thread's other thread-local objects are destroyed.
struct TCutter {
  TChunk* Open;  // the chunk blocks are cut from, or null
  char* Next;    // where the next block starts
  char* End;
  std::int32_t Cut;  // blocks cut from Open
  TChunk* Kept;      // empty chunks waiting for reuse
  std::size_t KeptCount;
  TPhase Phase;
};

constinit thread_local TCutter tCutter{};

constexpr std::size_t RoundedSize(std::size_t size) noexcept {
  return size == 0 ? kGranule : (size + kGranule - 1) & ~(kGranule - 1);
}

TChunk* ChunkOf(void* block) noexcept {
  return reinterpret_cast<TChunk*>(reinterpret_cast<std::uintptr_t>(block) & ~(kChunkBytes - 1));
}

TChunk* NewChunk() {
  return new (::operator new(kChunkBytes, std::align_val_t(kChunkBytes))) TChunk;
}

void FreeChunk(TChunk* chunk) noexcept {
  chunk->~TChunk();
  ::operator delete(chunk, std::align_val_t(kChunkBytes));
}

void WatchThreadEnd() noexcept;

// For a chunk that holds no live block and that no thread cuts from.
void KeepOrFree(TChunk* chunk) noexcept {
  TCutter& cutter = tCutter;
  if (cutter.Phase == TPhase::Gone || cutter.KeptCount >= kKeptChunks) {
    FreeChunk(chunk);
    return;
  }
  if (cutter.Phase == TPhase::Unwatched) WatchThreadEnd();
  chunk->NextKept = std::exchange(cutter.Kept, chunk);
  ++cutter.KeptCount;
}

void CloseOpen(TCutter& cutter) noexcept {
  TChunk* chunk = std::exchange(cutter.Open, nullptr);
  cutter.Next = cutter.End = nullptr;
  if (!chunk) return;
  const std::int32_t unused = kOpenBias - cutter.Cut;
  if (chunk->Live.fetch_sub(unused, std::memory_order_acq_rel) == unused) KeepOrFree(chunk);
}

void FreeKept(TCutter& cutter) noexcept {
  while (TChunk* chunk = cutter.Kept) {
    cutter.Kept = chunk->NextKept;
    FreeChunk(chunk);
  }
  cutter.KeptCount = 0;
}

// Its destruction at the thread's end hands the thread's chunks back.
struct TThreadEnd {
  TThreadEnd() noexcept = default;
  TThreadEnd(const TThreadEnd&) = delete;
  TThreadEnd& operator=(const TThreadEnd&) = delete;
  ~TThreadEnd() {
    TCutter& cutter = tCutter;
    cutter.Phase = TPhase::Gone;
    CloseOpen(cutter);
    FreeKept(cutter);
  }
};

[[gnu::noinline]] void WatchThreadEnd() noexcept {
  static thread_local TThreadEnd threadEnd;
  (void)threadEnd;
  tCutter.Phase = TPhase::Watched;
}

[[gnu::noinline]] void OpenChunk(TCutter& cutter) {
  CloseOpen(cutter);
  TChunk* chunk = cutter.Kept;
  if (chunk) {
    cutter.Kept = chunk->NextKept;
    --cutter.KeptCount;
  } else {
    chunk = NewChunk();
  }
  if (cutter.Phase == TPhase::Unwatched) WatchThreadEnd();
  chunk->Live.store(kOpenBias, std::memory_order_relaxed);
  cutter.Open = chunk;
  cutter.Next = reinterpret_cast<char*>(chunk) + sizeof(TChunk);
  cutter.End = reinterpret_cast<char*>(chunk) + kChunkBytes;
  cutter.Cut = 0;
}

// After the thread's end nothing would close an open chunk.
void* TakeLoneBlock() {
  TChunk* chunk = NewChunk();
  chunk->Live.store(1, std::memory_order_relaxed);
  return chunk + 1;
}

}  // namespace

void* TakeBlock(std::size_t size) {
  if (size > kLargestBlock) return ::operator new(size);
  const std::size_t rounded = RoundedSize(size);
  TCutter& cutter = tCutter;
  if (static_cast<std::size_t>(cutter.End - cutter.Next) < rounded) [[unlikely]] {
    if (cutter.Phase == TPhase::Gone) return TakeLoneBlock();
    OpenChunk(cutter);
  }
  void* block = cutter.Next;
  cutter.Next += rounded;
  ++cutter.Cut;
  JSON_BLOCK_TAKEN(block, rounded);
  return block;
}

void GiveBlock(void* block, std::size_t size) noexcept {
  if (!block) return;
  if (size > kLargestBlock) {
    ::operator delete(block);
    return;
  }
  JSON_BLOCK_FREED(block, RoundedSize(size));
  TChunk* chunk = ChunkOf(block);
  if (chunk->Live.fetch_sub(1, std::memory_order_acq_rel) == 1) KeepOrFree(chunk);
}

std::size_t KeptChunks() noexcept { return tCutter.KeptCount; }

void ReleaseKeptChunks() noexcept { FreeKept(tCutter); }

}  // namespace json_blocks
