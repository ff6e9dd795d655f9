// Element storage of array values: a vector of shared references whose empty
// slots are nil. It starts with 32 slots and grows by doubling (or to the
// index + 1 when doubling is not enough); it never shrinks.
//
// That slot count is what SlotCapacity reports. The memory behind it is
// taken as elements arrive, a few slots at first and doubling up to that
// count: most arrays of a document hold a handful of elements, and 32
// slots for each made up a third of a parsed document's memory.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "json/value/jsonvalue.h"

class TJsonArray {
 public:
  static constexpr std::int32_t kInitialCapacity = 32;

  TJsonArray();
  TJsonArray(const TJsonArray&) = delete;
  TJsonArray& operator=(const TJsonArray&) = delete;
  ~TJsonArray() { RemoveAllItems(false); }

  // One store per array value.
  static void* operator new(std::size_t size) { return json_blocks::TakeBlock(size); }
  static void operator delete(void* block, std::size_t size) noexcept {
    json_blocks::GiveBlock(block, size);
  }

  std::int32_t Used() const noexcept { return FUsed; }
  std::int32_t SlotCapacity() const noexcept { return FCapacity; }
  // The used slots, for walks that need no counted references.
  std::span<const IJsonValue> Items() const noexcept { return {FSlots.get(), std::size_t(FUsed)}; }

  // Nil outside 0..Used-1 or for an empty slot.
  IJsonValue ItemAt(std::int32_t index) const noexcept;
  // Stores at index, growing as needed; skipped slots stay nil. A negative
  // index changes nothing. Throws std::bad_alloc (array unchanged) when the
  // index cannot be reached.
  void SetItemAt(std::int32_t index, IJsonValue value);
  // Yields the index used.
  std::int32_t Append(IJsonValue value);
  // Yields the element and closes the gap; nil and no change out of range.
  IJsonValue RemoveAt(std::int32_t index);
  void EnsureCapacity(std::int32_t index);
  // Drops every element; with deep, each is first emptied.
  void RemoveAllItems(bool deep);
  // Closes up empty slots; with deep, compacts the remaining elements.
  void CompactItems(bool deep);

 private:
  // Most arrays of a document are small and live as long as the values
  // around them, so their slots are cut from the same chunks as values;
  // large stores come from the heap through the same calls.
  struct TSlotRelease {
    std::int32_t Capacity;
    void operator()(IJsonValue* slots) const noexcept;
  };
  using TSlots = std::unique_ptr<IJsonValue[], TSlotRelease>;
  // capacity nil slots.
  static TSlots NewSlots(std::int32_t capacity);

  static constexpr std::int32_t kFirstStored = 4;

  TSlots FSlots;  // FStored slots, null before the first store
  std::int32_t FUsed = 0;
  std::int32_t FCapacity = 0;
  std::int32_t FStored = 0;
};
