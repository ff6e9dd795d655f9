// Member tables of object values.
//
// Members live in an AVL tree ordered by a 32-bit hash of the name first and
// by the name second: descending unsigned hash, then ascending name by UTF-16
// code units. That order, not the order of storing, is the order in which
// members are walked, written, copied and merged, so it fixes the member order
// of every text the library writes. The tree has no parent links; insertion
// and removal carry their path in a fixed stack bounded by the tree height.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "json/value/jsonvalue.h"

// Find modes, a set of bit flags; member tables use only fmEqual.
enum TJsonFindModes : std::uint8_t {
  fmEqual = 1,  // the entry with exactly this name
  fmBelow = 2,  // the nearest entry before the name in walk order
  fmAbove = 4,  // the nearest entry after the name in walk order
};

constexpr TJsonFindModes operator|(TJsonFindModes a, TJsonFindModes b) noexcept {
  return static_cast<TJsonFindModes>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

struct TJsonAvlEntry {
  TJsonAvlEntry* Greater = nullptr;  // entries that come after this one
  TJsonAvlEntry* Less = nullptr;     // entries that come before this one
  std::int32_t BalanceFactor = 0;    // height(Greater) - height(Less)
  std::uint32_t NameHash = 0;
  std::u16string EntryName;
  IJsonValue ValueRef;  // may be nil: a member that holds no value

  TJsonAvlEntry(std::u16string_view name, IJsonValue value);
  // For a caller that has hashed the name already.
  TJsonAvlEntry(std::u16string_view name, std::uint32_t nameHash, IJsonValue value);

  // Entries come and go by the thousand with the documents that hold them.
  static void* operator new(std::size_t size) { return json_blocks::TakeBlock(size); }
  static void operator delete(void* block, std::size_t size) noexcept {
    json_blocks::GiveBlock(block, size);
  }

  static std::uint32_t HashName(std::u16string_view name) noexcept;
};

class TJsonAvlTree {
 public:
  // Above this many entries an AVL tree may grow past kMaxHeight levels.
  static constexpr std::int32_t kMaxHeight = 32;
  static constexpr std::int32_t kMaxEntries = 9227463;

  TJsonAvlTree() noexcept = default;
  TJsonAvlTree(const TJsonAvlTree&) = delete;
  TJsonAvlTree& operator=(const TJsonAvlTree&) = delete;
  ~TJsonAvlTree() { RemoveAll(false); }

  TJsonAvlEntry* RootEntry() const noexcept { return FRoot; }
  std::int32_t EntryCount() const noexcept { return FCount; }

  // Negative when a comes first in walk order, 0 for equal names. Callers
  // compare hashes themselves; these look at names only.
  static std::int32_t CompareEntries(const TJsonAvlEntry& a, const TJsonAvlEntry& b) noexcept;
  static std::int32_t CompareNameToEntry(std::u16string_view name,
                                         const TJsonAvlEntry& entry) noexcept;

  // Adds a member, or gives an existing member of that name the new value
  // (the old one is released). Yields the entry that holds the value.
  // Throws std::length_error beyond kMaxEntries members.
  TJsonAvlEntry* InsertEntry(std::u16string_view name, IJsonValue value);
  TJsonAvlEntry* FindEntry(std::u16string_view name, TJsonFindModes modes) const noexcept;
  // Removes the member and yields its value; nil and no change when absent.
  IJsonValue RemoveByName(std::u16string_view name);
  // Drops every member; with deep, each member value is first emptied.
  void RemoveAll(bool deep);
  // Removes members that hold no value; with deep, compacts the others.
  void DropNullMembers(bool deep);

 private:
  static void DisposeEntry(TJsonAvlEntry* entry, bool deep);
  static TJsonAvlEntry* Rebalance(TJsonAvlEntry* top) noexcept;

  TJsonAvlEntry* FRoot = nullptr;
  std::int32_t FCount = 0;
};

class TJsonTableString : public TJsonAvlTree {
 public:
  // One table per object value.
  static void* operator new(std::size_t size) { return json_blocks::TakeBlock(size); }
  static void operator delete(void* block, std::size_t size) noexcept {
    json_blocks::GiveBlock(block, size);
  }

  // The member's value, or nil when absent or holding no value.
  IJsonValue Lookup(std::u16string_view name) const noexcept;
  // Adds the member or replaces its value.
  void Store(std::u16string_view name, IJsonValue value) { InsertEntry(name, std::move(value)); }
};

// In-order walker over one tree; the tree must not change during the walk.
class TJsonAvlIterator {
 public:
  explicit TJsonAvlIterator(const TJsonAvlTree& tree) noexcept : FWalkTree(&tree) {}

  TJsonAvlEntry* GoFirst() noexcept;
  TJsonAvlEntry* GoNext() noexcept;
  TJsonAvlEntry* CurrentEntry() const noexcept;

 private:
  void Descend(TJsonAvlEntry* child, bool greater) noexcept;

  const TJsonAvlTree* FWalkTree;
  std::uint32_t FBranchBits = 0;  // bit d: the step below depth d went to Greater
  std::int32_t FPathDepth = -1;   // -1 no current entry, 0 root, d: FPathStack[d - 1]
  TJsonAvlEntry* FPathStack[TJsonAvlTree::kMaxHeight - 1] = {};
};

// The walk over the members of an object value. FoundName views the name
// held by the table, valid while the table is unchanged.
struct TJsonMemberIter {
  std::u16string_view FoundName;
  IJsonValue FoundValue;
  std::optional<TJsonAvlIterator> Walker;
};

// False, with nothing created, unless value is an object; false for an empty
// object. EndMembers must follow every FirstMember.
bool FirstMember(const IJsonValue& value, TJsonMemberIter& iter);
bool NextMember(TJsonMemberIter& iter);
void EndMembers(TJsonMemberIter& iter) noexcept;
