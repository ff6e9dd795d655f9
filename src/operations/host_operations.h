#pragma once
// The operations the host answers by itself, without the signing library.

#include "operations/operation_host.h"

namespace operations {

// (0, "", ""): the reply builder then hands out the next stored block.
void DoGetNextBlock(IOperationHost& host);
// The host's protocol version, "2", after asking for the dialog watch.
void DoNativeVersion(IOperationHost& host);
// The size in bytes of the file named by text parameter 1 (codes 0-32 trimmed
// at both ends): 5101 "File not passed" for no name, 5102 "File not found"
// for a name that is no file; "0" when the size cannot be read.
void DoGetFileSize(IOperationHost& host);
// -31901 "Unknown method name".
void DoUnknownMethod(IOperationHost& host);

}  // namespace operations
