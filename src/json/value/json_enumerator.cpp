#include "json/value/json_enumerator.h"

TJsonEnumerator::TJsonEnumerator(IJsonValue value) : FValue(std::move(value)) {
  FOnMember = FirstMember(FValue, FMembers);
}

TJsonEnumerator::~TJsonEnumerator() { EndMembers(FMembers); }
