#include <stdexcept>

#include "channel/NMKomunikace.h"
#include "operations/host_operations.h"
#include "operations/library_operations.h"

void TNMKomunikace::Dispatch(TRoute route) {
  switch (route) {
    case TRoute::Init:
      return DoInit();
    case TRoute::About:
      return DoAbout();
    case TRoute::GetFileNameDlg:
      return DoGetFileNameDlg();
    case TRoute::SetCfgCodePageNumber:
      return DoSetCfgCodePageNumber();
    case TRoute::GetCfgCodePageNumber:
      return DoGetCfgCodePageNumber();
    case TRoute::SignDetached:
      return DoSignDetached();
    case TRoute::SignFileDetached:
      return DoSignFileDetached();
    case TRoute::SetCfgSignatureHashAlgorithmNumber:
      return DoSetCfgSignatureHashAlgorithmNumber();
    case TRoute::GetLastCertSenderSignatureSN:
      return DoGetLastCertSenderSignatureSN();
    case TRoute::EncodeFile:
      return DoEncodeFile();
    case TRoute::GetNextBlock:
      return DoGetNextBlock();
    case TRoute::NativeVersion:
      return DoNativeVersion();
    case TRoute::GetFileSize:
      return DoGetFileSize();
    case TRoute::UnknownMethod:
      break;
  }
  DoUnknownMethod();
}

const TTavrinFunctions& TNMKomunikace::Tavrin() const {
  if (!FTavrin) throw std::runtime_error("The signing library is not loaded");
  return *FTavrin;
}

void TNMKomunikace::DoInit() { operations::DoInit(*this, Tavrin()); }
void TNMKomunikace::DoAbout() { operations::DoAbout(*this, Tavrin()); }
void TNMKomunikace::DoGetFileNameDlg() { operations::DoGetFileNameDlg(*this, Tavrin()); }
void TNMKomunikace::DoSetCfgCodePageNumber() {
  operations::DoSetCfgCodePageNumber(*this, Tavrin());
}
void TNMKomunikace::DoGetCfgCodePageNumber() {
  operations::DoGetCfgCodePageNumber(*this, Tavrin());
}
void TNMKomunikace::DoSignDetached() { operations::DoSignDetached(*this, Tavrin()); }
void TNMKomunikace::DoSignFileDetached() { operations::DoSignFileDetached(*this, Tavrin()); }
void TNMKomunikace::DoSetCfgSignatureHashAlgorithmNumber() {
  operations::DoSetCfgSignatureHashAlgorithmNumber(*this, Tavrin());
}
void TNMKomunikace::DoGetLastCertSenderSignatureSN() {
  operations::DoGetLastCertSenderSignatureSN(*this, Tavrin());
}
void TNMKomunikace::DoEncodeFile() { operations::DoEncodeFile(*this, Tavrin()); }
void TNMKomunikace::DoGetNextBlock() { operations::DoGetNextBlock(*this); }
void TNMKomunikace::DoNativeVersion() { operations::DoNativeVersion(*this); }
void TNMKomunikace::DoGetFileSize() { operations::DoGetFileSize(*this); }
void TNMKomunikace::DoUnknownMethod() { operations::DoUnknownMethod(*this); }
