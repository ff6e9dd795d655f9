// The path steps of the reader: with a base value, a word is a step name
// that ends at a path stop, and the stop decides what the step does.
#include <limits>

#include "json/reader/json_reader_run.h"

using json::internal::TJsonReaderRun;

namespace {

constexpr std::int64_t kMaxIndex = std::numeric_limits<std::int32_t>::max();

bool IsLastStep(char16_t stop) noexcept { return stop != u'(' && stop != u'.' && stop != u'['; }

IJsonValue LastItem(const TJsonArray& array) noexcept { return array.ItemAt(array.Used() - 1); }

}  // namespace

TJsonReaderRun::TStep TJsonReaderRun::OnPathStop(char16_t c) {
  const std::u16string name = FBuffer.TextBeforeZero();
  FLevel->OuterContainer = FLevel->Container;
  FLevel->Container = FLevel->Current ? FLevel->Current : FBase;
  switch (KindOf(FLevel->Container)) {
    case skObject:
      return ObjectStep(c, name);
    case skArray:
      return ArrayStep(c, name);
    case skMethod:
      return MethodStep(c);
    default:
      // Nothing to step into; the text runs out in the word.
      return TStep::Take;
  }
}

TJsonReaderRun::TStep TJsonReaderRun::ObjectStep(char16_t c, const std::u16string& name) {
  TJsonTableString& table = *FLevel->Container->MemberTable();
  if (!name.empty()) FLevel->Current = table.Lookup(name);
  if (!IsLastStep(c)) {
    Goto(c == u'(' ? S::StepCall : c == u'.' ? S::StepObject : S::StepArray);
    return TStep::Take;
  }
  if (Mutates(paStore)) {
    table.Store(name, FPutValue);
    FLevel->Current = table.Lookup(name);
  } else if (Mutates(paRemove)) {
    FLevel->Current = table.RemoveByName(name);
  } else {
    if (!FLevel->Current && Mutates(paCreate)) table.Store(name, TJsonValue::Create(FNewKind));
    FLevel->Current = table.Lookup(name);
  }
  Goto(S::Finish);
  return TStep::Redo;
}

TJsonReaderRun::TStep TJsonReaderRun::ArrayStep(char16_t c, const std::u16string& name) {
  TJsonArray& array = *FLevel->Container->ArrayStore();
  IJsonValue& current = FLevel->Current;

  if (!FLevel->Aux) {
    // Empty brackets: the end of the array, for appending or for the last element.
    switch (c) {
      case u'.':
      case u'[':
        if (Mutates(paStore)) {
          current = TJsonValue::Create(c == u'.' ? skObject : skArray);
          array.Append(current);
        } else {
          current = LastItem(array);
        }
        if (c == u'[') Goto(S::StepArray);
        return TStep::Take;
      case u'(':
        current = Mutates(paStore) ? IJsonValue() : LastItem(array);
        Goto(S::StepCall);
        return TStep::Take;
      default:
        if (Mutates(paStore)) {
          array.Append(FPutValue);
          current = FPutValue;
        } else if (name.empty()) {
          current = LastItem(array);
        }
        Goto(S::Finish);
        return TStep::Redo;
    }
  }

  const IJsonValue index = std::move(FLevel->Aux);
  FLevel->Aux = nullptr;
  if (!index->IsKind(skInt) || index->ToInt() < 0 || index->ToInt() > kMaxIndex) {
    return Fail(jeBadIndex);
  }
  const auto i = static_cast<std::int32_t>(index->ToInt());
  current = array.ItemAt(i);
  switch (c) {
    case u'(':
      Goto(S::StepCall);
      return TStep::Take;
    case u'.':
    case u'[':
      if (!current) {
        if (!Mutates(paCreate)) return Fail(c == u'.' ? jeNotObject : jeNotArray);
        // Created at the index the path names, so that the same path finds it again.
        current = TJsonValue::Create(c == u'.' ? skObject : skArray);
        array.SetItemAt(i, current);
      }
      if (c == u'[') Goto(S::StepArray);
      return TStep::Take;
    default:
      if (Mutates(paStore)) {
        array.SetItemAt(i, FPutValue);
        current = FPutValue;
      } else if (Mutates(paRemove)) {
        current = array.RemoveAt(i);
      }
      Goto(S::Finish);
      return TStep::Redo;
  }
}

TJsonReaderRun::TStep TJsonReaderRun::MethodStep(char16_t c) {
  const TJsonMethod method = FLevel->Container->MethodPointer();
  // A store cannot land in a method; neither can anything be called without a procedure.
  if (!method || (IsLastStep(c) && Mutates(paStore))) {
    FLevel->Aux = nullptr;
    return Fail(jeNotMethod);
  }
  const IJsonValue arguments = std::move(FLevel->Aux);
  FLevel->Aux = nullptr;
  FLevel->Current = method(FLevel->OuterContainer, arguments);
  switch (c) {
    case u'(':
      Goto(S::StepCall);
      return TStep::Take;
    case u'.':
      return TStep::Take;
    case u'[':
      Goto(S::StepArray);
      return TStep::Take;
    default:
      Goto(S::Finish);
      return TStep::Redo;
  }
}

TJsonReaderRun::TStep TJsonReaderRun::IndexOnBase(std::int64_t index) {
  if (index < 0 || index > kMaxIndex) return Fail(jeBadIndex);
  TJsonArray& array = *FBase->ArrayStore();
  const auto i = static_cast<std::int32_t>(index);
  IJsonValue value;
  if (Mutates(paStore)) {
    array.SetItemAt(i, FPutValue);
    value = FPutValue;
  } else if (Mutates(paRemove)) {
    value = array.RemoveAt(i);
  } else {
    value = array.ItemAt(i);
  }
  SetValue(std::move(value));
  return TStep::Redo;
}

// StepObject and StepArray: the step before "." or "[" must have reached an
// object or an array; with paCreate a missing one is made under the step name.
TJsonReaderRun::TStep TJsonReaderRun::OnStepContainer(bool wantArray) {
  const TJsonKind kind = wantArray ? skArray : skObject;
  const TJsonReaderError error = wantArray ? jeNotArray : jeNotObject;
  if (!FLevel->Current && Mutates(paCreate)) {
    TJsonTableString* table =
        KindIs(FLevel->Container, skObject) ? FLevel->Container->MemberTable() : nullptr;
    if (!table) return Fail(error);
    FLevel->Current = TJsonValue::Create(kind);
    table->Store(FBuffer.TextBeforeZero(), FLevel->Current);
  } else if (!KindIs(FLevel->Current, kind)) {
    return Fail(error);
  }
  FBuffer.ResetOutput();
  Goto(wantArray ? S::IndexOpen : S::Word);
  return TStep::Redo;
}

TJsonReaderRun::TStep TJsonReaderRun::OnStepCall() {
  if (!KindIs(FLevel->Current, skMethod) || !FLevel->Current->MethodPointer()) {
    return Fail(jeNotMethod);
  }
  FBuffer.ResetOutput();
  FLevel->Aux = TJsonValue::Create(skArray);
  Goto(S::ArgOpen);
  return TStep::Redo;
}

TJsonReaderRun::TStep TJsonReaderRun::OnBracketOpen(char16_t c, char16_t close, S inner) {
  if (c == close) {
    Goto(S::Word);
    return TStep::Take;
  }
  ++FStepDepth;
  Goto(inner);
  return Push();
}

TJsonReaderRun::TStep TJsonReaderRun::OnIndexClose(char16_t c) {
  --FStepDepth;
  FLevel->Aux = std::move(FCompleted);
  FCompleted = nullptr;
  FBuffer.ResetOutput();
  FLevel->ReturnState = S::Word;
  Goto(S::SkipSpace);
  if (c != u']') return Fail(jeNotArray);
  return TStep::Take;
}

TJsonReaderRun::TStep TJsonReaderRun::OnArgAdd(char16_t c) {
  TJsonArray* arguments = KindIs(FLevel->Aux, skArray) ? FLevel->Aux->ArrayStore() : nullptr;
  if (arguments) arguments->Append(std::move(FCompleted));
  FCompleted = nullptr;
  if (c != u')' && c != u',') return Fail(jeNotMethod);
  if (c == u')' && arguments && arguments->Used() == 1) {
    // A single argument is passed as itself, not as a list of one.
    IJsonValue only = arguments->ItemAt(0);
    FLevel->Aux = std::move(only);
  }
  --FStepDepth;
  FBuffer.ResetOutput();
  FLevel->ReturnState = c == u')' ? S::Word : S::ArgOpen;
  Goto(S::SkipSpace);
  return TStep::Take;
}
