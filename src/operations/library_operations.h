#pragma once
// The operations that the signing library answers. Each reads its parameters, for some first
// asks for the dialog watch, makes its library call, fetches the library's last error text
// once (whatever the status) and sends exactly one reply. The library's status goes out
// unchanged as the error number.

#include "operations/operation_host.h"
#include "operations/uTavrinDLL.h"

namespace operations {

// "OK" or "ERR" as data, by AboutW's status.
void DoInit(IOperationHost& host, const TTavrinFunctions& tavrin);
void DoAbout(IOperationHost& host, const TTavrinFunctions& tavrin);
// Texts 1-4 and the mode (number 5); mode 2 in the low 16 bits sends a buffer of 1,024,000
// spaces as text 2.
void DoGetFileNameDlg(IOperationHost& host, const TTavrinFunctions& tavrin);
void DoSetCfgCodePageNumber(IOperationHost& host, const TTavrinFunctions& tavrin);
// The code page in decimal, whatever the status.
void DoGetCfgCodePageNumber(IOperationHost& host, const TTavrinFunctions& tavrin);
void DoSignDetached(IOperationHost& host, const TTavrinFunctions& tavrin);
void DoSignFileDetached(IOperationHost& host, const TTavrinFunctions& tavrin);
// Sets the signature hash algorithm and, only when that succeeded, the signing certificate's.
void DoSetCfgSignatureHashAlgorithmNumber(IOperationHost& host, const TTavrinFunctions& tavrin);
void DoGetLastCertSenderSignatureSN(IOperationHost& host, const TTavrinFunctions& tavrin);
void DoEncodeFile(IOperationHost& host, const TTavrinFunctions& tavrin);

}  // namespace operations
