// An enumerator over one value: it holds the value and, for an object, a walk
// over its members. The caller owns it (NewEnumerator yields a unique_ptr).
#pragma once

#include "json/value/jsonvalue.h"

class TJsonEnumerator {
 public:
  explicit TJsonEnumerator(IJsonValue value);
  ~TJsonEnumerator();
  TJsonEnumerator(const TJsonEnumerator&) = delete;
  TJsonEnumerator& operator=(const TJsonEnumerator&) = delete;

  const IJsonValue& Value() const noexcept { return FValue; }
  // The member the walk stands on, for an object that has members.
  bool HasMember() const noexcept { return FOnMember; }
  const TJsonMemberIter& Member() const noexcept { return FMembers; }

 private:
  IJsonValue FValue;
  TJsonMemberIter FMembers;
  bool FOnMember = false;
};
