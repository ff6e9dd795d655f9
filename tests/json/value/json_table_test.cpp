// Member tables: hash order, replacement, removal, balance under load.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "json/value/jsonvalue.h"

namespace {

std::vector<std::u16string> WalkNames(const TJsonAvlTree& tree) {
  std::vector<std::u16string> names;
  TJsonAvlIterator walker(tree);
  for (TJsonAvlEntry* e = walker.GoFirst(); e; e = walker.GoNext()) names.push_back(e->EntryName);
  return names;
}

// Height of the subtree, checking on the way that every balance factor is
// the true height difference and within -1..+1, and that the order holds.
int CheckedHeight(const TJsonAvlEntry* entry) {
  if (!entry) return 0;
  const int less = CheckedHeight(entry->Less);
  const int greater = CheckedHeight(entry->Greater);
  EXPECT_EQ(entry->BalanceFactor, greater - less) << "at member of hash " << entry->NameHash;
  EXPECT_LE(std::abs(entry->BalanceFactor), 1);
  EXPECT_EQ(entry->NameHash, TJsonAvlEntry::HashName(entry->EntryName));
  return 1 + std::max(less, greater);
}

// Walk order as an ordinary comparator: descending hash, then name.
struct TWalkOrder {
  bool operator()(const std::u16string& a, const std::u16string& b) const {
    const auto ha = TJsonAvlEntry::HashName(a), hb = TJsonAvlEntry::HashName(b);
    return ha != hb ? ha > hb : a < b;
  }
};

TEST(JsonHashName, KnownValues) {
  EXPECT_EQ(TJsonAvlEntry::HashName(u""), 0u);
  EXPECT_EQ(TJsonAvlEntry::HashName(u"a"), 0x9E370062u);
  EXPECT_EQ(TJsonAvlEntry::HashName(u"metoda"), 0xDF0CF380u);
  EXPECT_EQ(TJsonAvlEntry::HashName(u"result"), 0x753A48A5u);
  EXPECT_EQ(TJsonAvlEntry::HashName(u"errNo"), 0x4C81150Bu);
  EXPECT_EQ(TJsonAvlEntry::HashName(u"tabID"), 0x41E6C6C9u);
  EXPECT_EQ(TJsonAvlEntry::HashName(u"errMsg"), 0x2B425BF6u);
  EXPECT_EQ(TJsonAvlEntry::HashName(u"data"), 0x2AE1759Eu);
  EXPECT_EQ(TJsonAvlEntry::HashName(u"hasNextPart"), 0x01F3CE7Du);
  EXPECT_EQ(TJsonAvlEntry::HashName(u"parametry"), 0x2843105Eu);
  EXPECT_EQ(TJsonAvlEntry::HashName(u"param1"), 0x90896648u);
  EXPECT_EQ(TJsonAvlEntry::HashName(u"param9"), 0x90896650u);
  EXPECT_EQ(TJsonAvlEntry::HashName(u"param10"), 0x73738A79u);
}

TEST(JsonMemberTable, EqualHashesWalkByNameCodeUnits) {
  const std::u16string ba = u"ba";
  const std::u16string aCirc = u"a\u00E2";
  ASSERT_EQ(TJsonAvlEntry::HashName(ba), 0x57EE3245u);
  ASSERT_EQ(TJsonAvlEntry::HashName(aCirc), 0x57EE3245u);

  TJsonTableString table;
  table.Store(ba, TJsonValue::CreateInt(1));
  table.Store(aCirc, TJsonValue::CreateInt(2));
  EXPECT_EQ(WalkNames(table), (std::vector<std::u16string>{aCirc, ba}));
  EXPECT_EQ(table.Lookup(ba)->ToInt(), 1);
  EXPECT_EQ(table.Lookup(aCirc)->ToInt(), 2);

  EXPECT_EQ(table.RemoveByName(aCirc)->ToInt(), 2);
  EXPECT_FALSE(table.Lookup(aCirc));
  EXPECT_EQ(table.Lookup(ba)->ToInt(), 1);
}

TEST(JsonMemberTable, NamesDifferingInCaseAreDifferentMembers) {
  TJsonTableString table;
  table.Store(u"Data", TJsonValue::CreateInt(1));
  table.Store(u"data", TJsonValue::CreateInt(2));
  EXPECT_EQ(table.EntryCount(), 2);
  EXPECT_EQ(table.Lookup(u"Data")->ToInt(), 1);
}

TEST(JsonMemberTable, StoringAPresentNameReplacesAndReleasesOnce) {
  TJsonTableString table;
  IJsonValue first = TJsonValue::CreateInt(1);
  IJsonValue second = TJsonValue::CreateInt(2);
  table.Store(u"tabID", first);
  table.Store(u"other", TJsonValue::Create(skNull));
  ASSERT_EQ(first->References(), 2);

  table.Store(u"tabID", second);
  EXPECT_EQ(table.EntryCount(), 2);
  EXPECT_EQ(first->References(), 1);  // only ours is left
  EXPECT_EQ(second->References(), 2);
  EXPECT_EQ(table.Lookup(u"tabID"), second);
  EXPECT_EQ(WalkNames(table).size(), 2u);
}

TEST(JsonMemberTable, MemberWithoutValue) {
  TJsonTableString table;
  table.Store(u"empty", nullptr);
  EXPECT_EQ(table.EntryCount(), 1);
  EXPECT_FALSE(table.Lookup(u"empty"));
  EXPECT_NE(table.FindEntry(u"empty", fmEqual), nullptr);
  table.DropNullMembers(false);
  EXPECT_EQ(table.EntryCount(), 0);
  EXPECT_EQ(table.RootEntry(), nullptr);
}

TEST(JsonMemberTable, RemovingTheOnlyMemberLeavesAnEmptyTable) {
  TJsonTableString table;
  IJsonValue value = TJsonValue::CreateText(u"x");
  table.Store(u"only", value);
  EXPECT_EQ(table.RemoveByName(u"only"), value);
  EXPECT_EQ(table.RootEntry(), nullptr);
  EXPECT_EQ(table.EntryCount(), 0);
  EXPECT_EQ(value->References(), 1);
  EXPECT_FALSE(table.RemoveByName(u"only"));
}

TEST(JsonMemberTable, FindModesGiveNeighboursInWalkOrder) {
  TJsonTableString table;
  for (const char16_t* name : {u"param1", u"param3", u"param5"}) table.Store(name, nullptr);
  // Walk order: param5, param3, param1 (descending hash).
  auto nameOf = [](const TJsonAvlEntry* e) { return e ? e->EntryName : u"<none>"; };
  EXPECT_EQ(nameOf(table.FindEntry(u"param4", fmBelow)), u"param5");
  EXPECT_EQ(nameOf(table.FindEntry(u"param4", fmAbove)), u"param3");
  EXPECT_EQ(nameOf(table.FindEntry(u"param3", fmBelow)), u"param5");
  EXPECT_EQ(nameOf(table.FindEntry(u"param3", fmAbove)), u"param1");
  EXPECT_EQ(nameOf(table.FindEntry(u"param3", fmEqual | fmAbove)), u"param3");
  EXPECT_EQ(nameOf(table.FindEntry(u"param5", fmBelow)), u"<none>");
  EXPECT_EQ(nameOf(table.FindEntry(u"param1", fmAbove)), u"<none>");
  EXPECT_EQ(nameOf(table.FindEntry(u"param4", fmEqual)), u"<none>");
}

TEST(JsonMemberTable, RemoveAllDeepEmptiesSharedMemberValues) {
  IJsonValue shared = TJsonValue::CreateText(u"kept elsewhere");
  TJsonTableString table;
  table.Store(u"a", shared);
  table.Store(u"b", TJsonValue::CreateInt(3));
  table.RemoveAll(true);
  EXPECT_EQ(table.EntryCount(), 0);
  EXPECT_EQ(table.RootEntry(), nullptr);
  EXPECT_EQ(shared->References(), 1);
  EXPECT_EQ(shared->ToText(), u"");  // emptied before it was dropped
}

TEST(JsonMemberTable, RandomOperationsKeepAValidBalancedTree) {
  std::mt19937 random(20261207);
  // A small pool of names makes replacements and misses frequent; the two
  // colliding names exercise the name comparison under equal hashes.
  std::vector<std::u16string> pool = {u"ba", u"a\u00E2"};
  for (int i = 0; i < 600; ++i)
    pool.push_back(u"m" + std::u16string(1, char16_t(u'a' + i % 26)) +
                   std::u16string(1, char16_t(0x100 + i)));
  std::map<std::u16string, int, TWalkOrder> model;
  TJsonTableString table;
  for (int step = 0; step < 20000; ++step) {
    const std::u16string& name = pool[random() % pool.size()];
    const int action = int(random() % 10);
    if (action < 6) {
      table.Store(name, TJsonValue::CreateInt(step));
      model[name] = step;
    } else if (action < 9) {
      IJsonValue removed = table.RemoveByName(name);
      const auto it = model.find(name);
      ASSERT_EQ(bool(removed), it != model.end());
      if (removed) {
        EXPECT_EQ(removed->ToInt(), it->second);
        EXPECT_EQ(removed->References(), 1);
        model.erase(it);
      }
    } else {
      IJsonValue found = table.Lookup(name);
      const auto it = model.find(name);
      ASSERT_EQ(bool(found), it != model.end());
      if (found) {
        EXPECT_EQ(found->ToInt(), it->second);
      }
    }
    ASSERT_EQ(table.EntryCount(), std::int32_t(model.size()));
    if (step % 97 == 0) {
      CheckedHeight(table.RootEntry());
      std::vector<std::u16string> expected;
      for (const auto& [n, v] : model) expected.push_back(n);
      ASSERT_EQ(WalkNames(table), expected);
    }
  }

  // Now remove everything in random order, checking the shape each time.
  std::vector<std::u16string> remaining;
  for (const auto& [n, v] : model) remaining.push_back(n);
  std::shuffle(remaining.begin(), remaining.end(), random);
  for (const auto& name : remaining) {
    ASSERT_TRUE(table.RemoveByName(name));
    model.erase(name);
    const int height = CheckedHeight(table.RootEntry());
    // An AVL tree of n entries is at most about 1.44 log2(n + 2) high.
    EXPECT_LE(height, 1.45 * std::log2(double(model.size()) + 2.0) + 1.0);
    ASSERT_EQ(table.EntryCount(), std::int32_t(model.size()));
  }
  EXPECT_EQ(table.RootEntry(), nullptr);
  EXPECT_EQ(table.EntryCount(), 0);
}

TEST(JsonMemberTable, AscendingInsertionsStayLogarithmic) {
  TJsonTableString table;
  for (int i = 0; i < 5000; ++i) table.Store(u"k" + std::u16string(1, char16_t(i + 1)), nullptr);
  EXPECT_LE(CheckedHeight(table.RootEntry()), 17);  // 1.44 log2(5002) is about 17.7
  EXPECT_EQ(WalkNames(table).size(), 5000u);
}

TEST(JsonMemberWalk, ObjectsOnly) {
  TJsonMemberIter iter;
  EXPECT_FALSE(FirstMember(nullptr, iter));
  EXPECT_FALSE(iter.Walker);
  EndMembers(iter);
  EXPECT_FALSE(FirstMember(TJsonValue::Create(skArray), iter));
  EndMembers(iter);

  IJsonValue empty = TJsonValue::Create(skObject);
  EXPECT_FALSE(FirstMember(empty, iter));
  EXPECT_EQ(empty->MemberTable()->EntryCount(), 0);
  EndMembers(iter);
}

TEST(JsonMemberWalk, YieldsNamesAndSharedValues) {
  IJsonValue object = TJsonValue::Create(skObject);
  IJsonValue data = TJsonValue::CreateText(u"payload");
  object->Put(u"data", data);
  object->Put(u"hasNextPart", nullptr);

  TJsonMemberIter iter;
  ASSERT_TRUE(FirstMember(object, iter));
  EXPECT_EQ(iter.FoundName, u"data");
  EXPECT_EQ(iter.FoundValue, data);  // the member's value itself, not a copy
  ASSERT_TRUE(NextMember(iter));
  EXPECT_EQ(iter.FoundName, u"hasNextPart");
  EXPECT_FALSE(iter.FoundValue);
  EXPECT_FALSE(NextMember(iter));
  EXPECT_EQ(iter.FoundName, u"hasNextPart");  // left as it was
  EXPECT_EQ(data->References(), 2);
  EndMembers(iter);
  EXPECT_FALSE(iter.FoundValue);
}

}  // namespace
