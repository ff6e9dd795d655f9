#include "json/value/json_array.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

void TJsonArray::TSlotRelease::operator()(IJsonValue* slots) const noexcept {
  std::destroy_n(slots, Capacity);
  json_blocks::GiveBlock(slots, sizeof(IJsonValue) * std::size_t(Capacity));
}

TJsonArray::TSlots TJsonArray::NewSlots(std::int32_t capacity) {
  // On 32-bit targets the largest slot counts do not fit the address space.
  if (std::size_t(capacity) > SIZE_MAX / sizeof(IJsonValue)) throw std::bad_alloc();
  auto* slots =
      static_cast<IJsonValue*>(json_blocks::TakeBlock(sizeof(IJsonValue) * std::size_t(capacity)));
  std::uninitialized_value_construct_n(slots, capacity);
  return TSlots(slots, TSlotRelease{capacity});
}

TJsonArray::TJsonArray() : FCapacity(kInitialCapacity) {}

IJsonValue TJsonArray::ItemAt(std::int32_t index) const noexcept {
  if (index < 0 || index >= FUsed) return nullptr;
  return FSlots[index];
}

void TJsonArray::EnsureCapacity(std::int32_t index) {
  if (index < FStored) return;
  std::int64_t capacity = FCapacity;
  if (index >= capacity) {
    capacity *= 2;
    if (capacity <= index) capacity = std::int64_t(index) + 1;
    if (capacity > INT32_MAX) {
      // Slot counts are 32-bit; the largest index still fits in one more slot.
      capacity = INT32_MAX;
      if (index >= capacity) throw std::bad_alloc();
    }
  }
  // Memory for index and a doubling beyond the slots already stored, within
  // the capacity; both counts change only once it is there.
  const std::int64_t doubled = std::max<std::int64_t>(kFirstStored, std::int64_t(FStored) * 2);
  const std::int64_t stored = std::min(std::max(doubled, std::int64_t(index) + 1), capacity);
  TSlots grown = NewSlots(std::int32_t(stored));
  std::move(FSlots.get(), FSlots.get() + FUsed, grown.get());
  FSlots = std::move(grown);
  FStored = std::int32_t(stored);
  FCapacity = std::int32_t(capacity);
}

void TJsonArray::SetItemAt(std::int32_t index, IJsonValue value) {
  if (index < 0) return;
  EnsureCapacity(index);
  if (index >= FUsed) FUsed = index + 1;
  // Swap first, release after: the old element's end must see a sound array.
  IJsonValue old = std::exchange(FSlots[index], std::move(value));
}

std::int32_t TJsonArray::Append(IJsonValue value) {
  const std::int32_t index = FUsed;
  SetItemAt(index, std::move(value));
  return index;
}

IJsonValue TJsonArray::RemoveAt(std::int32_t index) {
  if (index < 0 || index >= FUsed) return nullptr;
  IJsonValue removed = std::move(FSlots[index]);
  --FUsed;
  std::move(FSlots.get() + index + 1, FSlots.get() + FUsed + 1, FSlots.get() + index);
  FSlots[FUsed] = nullptr;
  return removed;
}

void TJsonArray::RemoveAllItems(bool deep) {
  const std::int32_t used = std::exchange(FUsed, 0);
  for (std::int32_t i = 0; i < used; ++i) {
    IJsonValue item = std::move(FSlots[i]);
    if (deep && item) item->MakeEmpty(true);
  }
}

void TJsonArray::CompactItems(bool deep) {
  if (FUsed == 0) return;
  IJsonValue* first = FSlots.get();
  IJsonValue* kept = std::remove(first, first + FUsed, nullptr);
  // std::remove leaves the tail in a moved-from (nil) state already.
  std::fill(kept, first + FUsed, nullptr);
  FUsed = std::int32_t(kept - first);
  if (deep) {
    for (std::int32_t i = 0; i < FUsed; ++i) FSlots[i]->Compact(true);
  }
}
