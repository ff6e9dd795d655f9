#include "json/value/json_table.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

// Position of a name relative to an entry in walk order: negative when the
// name comes first. Hashes decide; names only break ties.
std::int32_t Compare(std::uint32_t hash, std::u16string_view name, const TJsonAvlEntry& entry) {
  if (hash != entry.NameHash) return hash > entry.NameHash ? -1 : 1;
  return TJsonAvlTree::CompareNameToEntry(name, entry);
}

TJsonAvlEntry*& Child(TJsonAvlEntry* entry, int side) noexcept {
  return side < 0 ? entry->Less : entry->Greater;
}

}  // namespace

TJsonAvlEntry::TJsonAvlEntry(std::u16string_view name, IJsonValue value)
    : TJsonAvlEntry(name, HashName(name), std::move(value)) {}

TJsonAvlEntry::TJsonAvlEntry(std::u16string_view name, std::uint32_t nameHash, IJsonValue value)
    : NameHash(nameHash), EntryName(name), ValueRef(std::move(value)) {}

std::uint32_t TJsonAvlEntry::HashName(std::u16string_view name) noexcept {
  std::uint32_t h = 0;
  for (char16_t c : name) h = h * 129u + static_cast<std::uint32_t>(c) + 0x9E370001u;
  return h;
}

std::int32_t TJsonAvlTree::CompareNameToEntry(std::u16string_view name,
                                              const TJsonAvlEntry& entry) noexcept {
  const std::u16string_view other = entry.EntryName;
  const std::size_t common = std::min(name.size(), other.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (name[i] != other[i]) return std::int32_t(name[i]) - std::int32_t(other[i]);
  }
  if (name.size() == other.size()) return 0;
  return name.size() < other.size() ? -1 : 1;
}

std::int32_t TJsonAvlTree::CompareEntries(const TJsonAvlEntry& a, const TJsonAvlEntry& b) noexcept {
  return CompareNameToEntry(a.EntryName, b);
}

// One single or double rotation of a subtree whose top has a balance factor
// of -2 or +2; yields the new top. Serves insertion and removal alike.
TJsonAvlEntry* TJsonAvlTree::Rebalance(TJsonAvlEntry* top) noexcept {
  const int side = top->BalanceFactor > 0 ? 1 : -1;  // the heavy side
  TJsonAvlEntry* child = Child(top, side);
  if (child->BalanceFactor * side >= 0) {
    // Single rotation: the child rises.
    Child(top, side) = Child(child, -side);
    Child(child, -side) = top;
    if (child->BalanceFactor == 0) {
      top->BalanceFactor = side;
      child->BalanceFactor = -side;
    } else {
      top->BalanceFactor = 0;
      child->BalanceFactor = 0;
    }
    return child;
  }
  // Double rotation: the child's inner grandchild rises.
  TJsonAvlEntry* grand = Child(child, -side);
  Child(child, -side) = Child(grand, side);
  Child(grand, side) = child;
  Child(top, side) = Child(grand, -side);
  Child(grand, -side) = top;
  top->BalanceFactor = grand->BalanceFactor == side ? -side : 0;
  child->BalanceFactor = grand->BalanceFactor == -side ? side : 0;
  grand->BalanceFactor = 0;
  return grand;
}

TJsonAvlEntry* TJsonAvlTree::InsertEntry(std::u16string_view name, IJsonValue value) {
  const std::uint32_t hash = TJsonAvlEntry::HashName(name);
  TJsonAvlEntry** links[kMaxHeight];
  int sides[kMaxHeight];
  int depth = 0;
  TJsonAvlEntry** link = &FRoot;
  while (TJsonAvlEntry* entry = *link) {
    const std::int32_t cmp = Compare(hash, name, *entry);
    if (cmp == 0) {
      // The member stays where it is; only its value changes. The old value
      // is released after the swap so that its destruction sees a sound tree.
      IJsonValue old = std::exchange(entry->ValueRef, std::move(value));
      return entry;
    }
    links[depth] = link;
    sides[depth] = cmp < 0 ? -1 : 1;
    ++depth;
    link = &Child(entry, cmp);
  }
  if (FCount >= kMaxEntries) throw std::length_error("Too many members in one object");
  *link = new TJsonAvlEntry(name, hash, std::move(value));
  ++FCount;
  TJsonAvlEntry* added = *link;
  // Walk back up: heights grow until a subtree absorbs the growth or a
  // rotation restores its former height.
  while (depth > 0) {
    --depth;
    TJsonAvlEntry* entry = *links[depth];
    entry->BalanceFactor += sides[depth];
    if (entry->BalanceFactor == 0) break;
    if (entry->BalanceFactor == 2 || entry->BalanceFactor == -2) {
      *links[depth] = Rebalance(entry);
      break;
    }
  }
  return added;
}

TJsonAvlEntry* TJsonAvlTree::FindEntry(std::u16string_view name,
                                       TJsonFindModes modes) const noexcept {
  const std::uint32_t hash = TJsonAvlEntry::HashName(name);
  const int target = (modes & fmBelow) ? 1 : (modes & fmAbove) ? -1 : 0;
  TJsonAvlEntry* match = nullptr;
  for (TJsonAvlEntry* entry = FRoot; entry;) {
    std::int32_t cmp = Compare(hash, name, *entry);
    if (cmp == 0) {
      if (modes & fmEqual) return entry;
      cmp = -target;
    }
    if (target != 0 && (cmp < 0) == (target < 0) && cmp != 0) match = entry;
    entry = cmp < 0 ? entry->Less : entry->Greater;
  }
  return match;
}

IJsonValue TJsonAvlTree::RemoveByName(std::u16string_view name) {
  const std::uint32_t hash = TJsonAvlEntry::HashName(name);
  TJsonAvlEntry** links[kMaxHeight + 1];
  int sides[kMaxHeight + 1];
  int depth = 0;
  TJsonAvlEntry** link = &FRoot;
  TJsonAvlEntry* doomed = nullptr;
  while (TJsonAvlEntry* entry = *link) {
    const std::int32_t cmp = Compare(hash, name, *entry);
    if (cmp == 0) {
      doomed = entry;
      break;
    }
    links[depth] = link;
    sides[depth] = cmp < 0 ? -1 : 1;
    ++depth;
    link = &Child(entry, cmp);
  }
  if (!doomed) return nullptr;

  const int side = doomed->BalanceFactor < 0 ? -1 : 1;  // the heavier side
  if (TJsonAvlEntry* first = Child(doomed, side)) {
    // The nearest neighbour on the heavier side takes the doomed entry's
    // place, children and balance factor.
    const int doomedDepth = depth;
    links[depth] = link;
    sides[depth] = side;
    ++depth;
    TJsonAvlEntry** near = &Child(doomed, side);
    for (TJsonAvlEntry* e = first; Child(e, -side); e = Child(e, -side)) {
      links[depth] = near;
      sides[depth] = -side;
      ++depth;
      near = &Child(e, -side);
    }
    TJsonAvlEntry* heir = *near;
    *near = Child(heir, side);
    heir->Less = doomed->Less;
    heir->Greater = doomed->Greater;
    heir->BalanceFactor = doomed->BalanceFactor;
    *link = heir;
    if (depth > doomedDepth + 1) links[doomedDepth + 1] = &Child(heir, side);
  } else {
    *link = Child(doomed, -side);  // a leaf: both children are nil
  }

  // Walk back up: heights shrink until a subtree keeps its height.
  while (depth > 0) {
    --depth;
    TJsonAvlEntry* entry = *links[depth];
    entry->BalanceFactor -= sides[depth];
    if (entry->BalanceFactor == 1 || entry->BalanceFactor == -1) break;
    if (entry->BalanceFactor != 0) {
      TJsonAvlEntry* top = Rebalance(entry);
      *links[depth] = top;
      if (top->BalanceFactor != 0) break;
    }
  }

  --FCount;
  IJsonValue value = std::move(doomed->ValueRef);
  DisposeEntry(doomed, false);
  return value;
}

void TJsonAvlTree::DisposeEntry(TJsonAvlEntry* entry, bool deep) {
  if (deep && entry->ValueRef) entry->ValueRef->MakeEmpty(true);
  delete entry;
}

void TJsonAvlTree::RemoveAll(bool deep) {
  // Detach first: releasing a member may run code that looks at this table.
  TJsonAvlEntry* entry = std::exchange(FRoot, nullptr);
  FCount = 0;
  while (entry) {
    if (TJsonAvlEntry* less = entry->Less) {
      entry->Less = less->Greater;
      less->Greater = entry;
      entry = less;
    } else {
      TJsonAvlEntry* next = entry->Greater;
      DisposeEntry(entry, deep);
      entry = next;
    }
  }
}

void TJsonAvlTree::DropNullMembers(bool deep) {
  std::vector<std::u16string> empty;
  TJsonAvlIterator walker(*this);
  for (TJsonAvlEntry* entry = walker.GoFirst(); entry; entry = walker.GoNext()) {
    if (!entry->ValueRef) {
      empty.push_back(entry->EntryName);
    } else if (deep) {
      entry->ValueRef->Compact(true);
    }
  }
  for (const std::u16string& name : empty) RemoveByName(name);
}

IJsonValue TJsonTableString::Lookup(std::u16string_view name) const noexcept {
  const TJsonAvlEntry* entry = FindEntry(name, fmEqual);
  return entry ? entry->ValueRef : nullptr;
}

void TJsonAvlIterator::Descend(TJsonAvlEntry* child, bool greater) noexcept {
  const std::uint32_t bit = 1u << FPathDepth;
  FBranchBits = greater ? (FBranchBits | bit) : (FBranchBits & ~bit);
  FPathStack[FPathDepth] = child;
  ++FPathDepth;
}

TJsonAvlEntry* TJsonAvlIterator::GoFirst() noexcept {
  FPathDepth = -1;
  FBranchBits = 0;
  TJsonAvlEntry* entry = FWalkTree->RootEntry();
  if (!entry) return nullptr;
  FPathDepth = 0;
  for (; entry->Less; entry = entry->Less) Descend(entry->Less, false);
  return entry;
}

TJsonAvlEntry* TJsonAvlIterator::GoNext() noexcept {
  TJsonAvlEntry* entry = CurrentEntry();
  if (!entry) return nullptr;
  if (entry->Greater) {
    entry = entry->Greater;
    Descend(entry, true);
    for (; entry->Less; entry = entry->Less) Descend(entry->Less, false);
    return entry;
  }
  while (FPathDepth > 0 && (FBranchBits & (1u << (FPathDepth - 1)))) --FPathDepth;
  if (FPathDepth == 0) {
    FPathDepth = -1;
    return nullptr;
  }
  --FPathDepth;
  return CurrentEntry();
}

TJsonAvlEntry* TJsonAvlIterator::CurrentEntry() const noexcept {
  if (FPathDepth < 0) return nullptr;
  return FPathDepth == 0 ? FWalkTree->RootEntry() : FPathStack[FPathDepth - 1];
}

namespace {

bool TakeCurrent(TJsonMemberIter& iter, TJsonAvlEntry* entry) {
  if (!entry) return false;
  iter.FoundName = entry->EntryName;
  iter.FoundValue = entry->ValueRef;
  return true;
}

}  // namespace

bool FirstMember(const IJsonValue& value, TJsonMemberIter& iter) {
  if (!KindIs(value, skObject)) return false;
  iter.Walker.emplace(*value->MemberTable());
  return TakeCurrent(iter, iter.Walker->GoFirst());
}

bool NextMember(TJsonMemberIter& iter) {
  return iter.Walker && TakeCurrent(iter, iter.Walker->GoNext());
}

void EndMembers(TJsonMemberIter& iter) noexcept {
  iter.Walker.reset();
  iter.FoundValue = nullptr;
}
