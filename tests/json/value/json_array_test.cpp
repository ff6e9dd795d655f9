// Element storage of arrays: growth, gaps, removal, compaction.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <vector>

#include "json/value/jsonvalue.h"

namespace {

IJsonValue Int(std::int64_t v) { return TJsonValue::CreateInt(v); }

TEST(JsonArray, StartsWith32EmptySlots) {
  TJsonArray array;
  EXPECT_EQ(array.Used(), 0);
  EXPECT_EQ(array.SlotCapacity(), 32);
  EXPECT_FALSE(array.ItemAt(0));
  EXPECT_FALSE(array.ItemAt(-1));
}

TEST(JsonArray, StoringBeyondTheEndLeavesEmptySlots) {
  TJsonArray array;
  array.SetItemAt(5, Int(5));
  EXPECT_EQ(array.Used(), 6);
  EXPECT_EQ(array.SlotCapacity(), 32);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(array.ItemAt(i)) << i;
  EXPECT_EQ(array.ItemAt(5)->ToInt(), 5);
  EXPECT_FALSE(array.ItemAt(6));
  EXPECT_EQ(array.Append(Int(6)), 6);
}

TEST(JsonArray, GrowsByDoublingOrToTheIndex) {
  TJsonArray doubled;
  doubled.SetItemAt(31, Int(1));
  EXPECT_EQ(doubled.SlotCapacity(), 32);
  doubled.SetItemAt(32, Int(2));
  EXPECT_EQ(doubled.SlotCapacity(), 64);
  EXPECT_EQ(doubled.ItemAt(31)->ToInt(), 1);  // kept across the move

  TJsonArray jumped;
  jumped.SetItemAt(100, Int(1));
  EXPECT_EQ(jumped.SlotCapacity(), 101);
  EXPECT_EQ(jumped.Used(), 101);
  jumped.SetItemAt(101, Int(2));
  EXPECT_EQ(jumped.SlotCapacity(), 202);
}

TEST(JsonArray, AppendingIsAmortisedByDoubling) {
  TJsonArray array;
  for (int i = 0; i < 1000; ++i) EXPECT_EQ(array.Append(Int(i)), i);
  EXPECT_EQ(array.SlotCapacity(), 1024);
  EXPECT_EQ(array.ItemAt(999)->ToInt(), 999);
}

TEST(JsonArray, ReplacingASlotReleasesTheOldElement) {
  TJsonArray array;
  IJsonValue old = Int(1);
  array.SetItemAt(0, old);
  EXPECT_EQ(old->References(), 2);
  array.SetItemAt(0, Int(2));
  EXPECT_EQ(old->References(), 1);
  EXPECT_EQ(array.Used(), 1);
}

TEST(JsonArray, NegativeIndexesChangeNothing) {
  TJsonArray array;
  array.SetItemAt(-1, Int(1));
  EXPECT_EQ(array.Used(), 0);
  EXPECT_FALSE(array.RemoveAt(-1));
}

TEST(JsonArray, UnreachableIndexFailsWithoutChange) {
  TJsonArray array;
  array.Append(Int(1));
  EXPECT_THROW(array.SetItemAt(INT32_MAX, Int(2)), std::bad_alloc);
  EXPECT_EQ(array.Used(), 1);
  EXPECT_EQ(array.SlotCapacity(), 32);
}

TEST(JsonArray, RemoveAtClosesTheGap) {
  TJsonArray array;
  IJsonValue first = Int(1);
  array.Append(first);
  array.Append(Int(2));
  array.Append(Int(3));
  IJsonValue removed = array.RemoveAt(0);
  EXPECT_EQ(removed, first);
  EXPECT_EQ(first->References(), 2);  // ours and the one handed back; the slot let go
  EXPECT_EQ(array.Used(), 2);
  EXPECT_EQ(array.ItemAt(0)->ToInt(), 2);
  EXPECT_EQ(array.ItemAt(1)->ToInt(), 3);
  EXPECT_FALSE(array.ItemAt(2));
  EXPECT_FALSE(array.RemoveAt(2));
  EXPECT_EQ(array.Used(), 2);
  EXPECT_EQ(array.SlotCapacity(), 32);
}

TEST(JsonArray, CompactingMovesElementsToTheFrontInOrder) {
  TJsonArray array;
  array.SetItemAt(1, Int(1));
  array.SetItemAt(4, Int(4));
  array.SetItemAt(6, Int(6));
  array.CompactItems(false);
  EXPECT_EQ(array.Used(), 3);
  EXPECT_EQ(array.ItemAt(0)->ToInt(), 1);
  EXPECT_EQ(array.ItemAt(1)->ToInt(), 4);
  EXPECT_EQ(array.ItemAt(2)->ToInt(), 6);
  // The former range is cleared: growing Used again shows empty slots.
  array.SetItemAt(6, Int(7));
  for (int i = 3; i < 6; ++i) EXPECT_FALSE(array.ItemAt(i)) << i;
}

TEST(JsonArray, DeepCompactReachesNestedContainers) {
  IJsonValue outer = TJsonValue::Create(skArray);
  IJsonValue inner = TJsonValue::Create(skArray);
  inner->ArrayStore()->SetItemAt(3, Int(3));
  outer->ArrayStore()->SetItemAt(2, inner);
  outer->ArrayStore()->CompactItems(true);
  EXPECT_EQ(outer->ArrayStore()->Used(), 1);
  EXPECT_EQ(inner->ArrayStore()->Used(), 1);
}

TEST(JsonArray, RemoveAllItemsDeepEmptiesElementsHeldElsewhere) {
  IJsonValue shared = TJsonValue::CreateText(u"abc");
  TJsonArray array;
  array.Append(shared);
  array.Append(nullptr);
  array.RemoveAllItems(true);
  EXPECT_EQ(array.Used(), 0);
  EXPECT_EQ(shared->References(), 1);
  EXPECT_EQ(shared->ToText(), u"");
  EXPECT_EQ(array.SlotCapacity(), 32);
}

TEST(JsonArray, BehavesAsAPlainVectorOfSlotsUnderMixedChanges) {
  // A model of the slots: -1 for an empty one. Small and growing arrays,
  // gaps, removals and compaction in a fixed pseudo-random order.
  std::uint32_t state = 7;
  const auto next = [&state](std::uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return static_cast<std::int32_t>((state >> 8) % n);
  };
  for (int round = 0; round < 20; ++round) {
    TJsonArray array;
    std::vector<std::int64_t> model;
    std::int32_t capacity = 32;
    for (int step = 0; step < 200; ++step) {
      const std::int32_t action = next(10);
      if (action < 5) {
        model.push_back(step);
        EXPECT_EQ(array.Append(Int(step)), std::int32_t(model.size()) - 1);
      } else if (action < 7) {
        const std::int32_t index = next(std::int32_t(model.size()) + 40);
        if (index >= std::int32_t(model.size())) model.resize(std::size_t(index) + 1, -1);
        model[std::size_t(index)] = step;
        array.SetItemAt(index, Int(step));
      } else if (action < 9) {
        if (model.empty()) continue;
        const std::int32_t index = next(std::int32_t(model.size()));
        const IJsonValue removed = array.RemoveAt(index);
        EXPECT_EQ(removed ? removed->ToInt() : -1, model[std::size_t(index)]);
        model.erase(model.begin() + index);
      } else {
        array.CompactItems(false);
        std::erase(model, -1);
      }
      while (std::int64_t(model.size()) > capacity) capacity *= 2;
      ASSERT_EQ(array.Used(), std::int32_t(model.size()));
      if (array.SlotCapacity() != capacity) capacity = array.SlotCapacity();
      ASSERT_GE(capacity, array.Used());
      for (std::size_t i = 0; i < model.size(); ++i) {
        const IJsonValue item = array.ItemAt(std::int32_t(i));
        ASSERT_EQ(item ? item->ToInt() : -1, model[i]) << round << " " << step << " " << i;
      }
      ASSERT_EQ(array.Items().size(), model.size());
    }
  }
}

TEST(JsonArray, ElementsStayInPlaceWhileTheFirstSlotsFill) {
  TJsonArray array;
  for (int i = 0; i < 70; ++i) {
    array.Append(Int(i));
    EXPECT_EQ(array.SlotCapacity(), i < 32 ? 32 : i < 64 ? 64 : 128) << i;
    for (int k = 0; k <= i; ++k) ASSERT_EQ(array.ItemAt(k)->ToInt(), k) << i;
  }
  TJsonArray gap;
  gap.SetItemAt(9, Int(9));
  gap.SetItemAt(2, Int(2));
  EXPECT_EQ(gap.SlotCapacity(), 32);
  EXPECT_EQ(gap.Items().size(), 10u);
  EXPECT_FALSE(gap.ItemAt(3));
  EXPECT_EQ(gap.ItemAt(2)->ToInt(), 2);
}

}  // namespace
