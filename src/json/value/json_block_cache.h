// Where values, member entries and container stores live.
//
// Reading a document makes one value per element and one entry per member,
// and freeing it gives them all back at once; the general heap spends more
// on that than the reader spends on the text. These small blocks are
// therefore cut one after the other from chunks of kChunkBytes: taking a
// block moves a pointer, and the blocks of a document lie side by side, in
// the order the reader made them, as the walks that write and free it visit
// them. (A per-thread free list was tried first: its reuse order scatters
// the blocks of the next document over the whole heap, which cost more in
// cache misses than it saved.)
//
// Each chunk counts its blocks still in use and is reused, or given back to
// the heap, once that count reaches zero. A block may be given back on any
// thread; the thread that frees a chunk's last block keeps the empty chunk
// for its own use (at most kKeptChunks of them, the rest go back to the heap
// at once). A thread's end gives back its empty chunks and the chunk it was
// cutting from, as soon as that one holds no live block.
//
// One live block keeps its whole chunk, so the cost of this scheme is at most
// a chunk for each value that outlives the values made around it.
#pragma once

#include <cstddef>

namespace json_blocks {

// Sizes up to this are cut from chunks (rounded up to a multiple of 16);
// larger ones come from the heap.
inline constexpr std::size_t kLargestBlock = 256;
inline constexpr std::size_t kChunkBytes = 16384;
inline constexpr std::size_t kKeptChunks = 64;

// A block of at least size bytes; throws std::bad_alloc like operator new.
void* TakeBlock(std::size_t size);
// Gives back a block from TakeBlock of the same size; any thread may do so.
void GiveBlock(void* block, std::size_t size) noexcept;

// The empty chunks that the calling thread keeps for reuse.
std::size_t KeptChunks() noexcept;
// Gives the calling thread's empty chunks back to the heap.
void ReleaseKeptChunks() noexcept;

}  // namespace json_blocks
