// The methods of the protocol, one row each: the name it is asked by (upper case), its route,
// and its handler in src/operations. A new method is a row here and its handler there.
//
// The rows are compared in this order with the upper-cased method name; a name that matches
// none is answered by operations::DoUnknownMethod. A handler column of LibraryHandler<…> gets
// the bound signing library (and fails the request when there is none), HostHandler<…> answers
// from the host alone; that column is read only by operation_handlers.cpp, which includes the
// handlers.
#pragma once

// clang-format off
#define FEROLANT_ROUTES(X)                                                                        \
  X("INIT", Init, LibraryHandler<operations::DoInit>)                                             \
  X("ABOUT", About, LibraryHandler<operations::DoAbout>)                                          \
  X("GETFILENAMEDLG", GetFileNameDlg, LibraryHandler<operations::DoGetFileNameDlg>)               \
  X("SETCFGCODEPAGENUMBER", SetCfgCodePageNumber,                                                 \
    LibraryHandler<operations::DoSetCfgCodePageNumber>)                                           \
  X("GETCFGCODEPAGENUMBER", GetCfgCodePageNumber,                                                 \
    LibraryHandler<operations::DoGetCfgCodePageNumber>)                                           \
  X("SIGNDETACHED", SignDetached, LibraryHandler<operations::DoSignDetached>)                     \
  X("SIGNFILEDETACHED", SignFileDetached, LibraryHandler<operations::DoSignFileDetached>)         \
  X("SETCFGSIGNATUREHASHALGORITHMNUMBER", SetCfgSignatureHashAlgorithmNumber,                     \
    LibraryHandler<operations::DoSetCfgSignatureHashAlgorithmNumber>)                             \
  X("GETLASTCERTSENDERSIGNATURESN", GetLastCertSenderSignatureSN,                                 \
    LibraryHandler<operations::DoGetLastCertSenderSignatureSN>)                                   \
  X("ENCODEFILE", EncodeFile, LibraryHandler<operations::DoEncodeFile>)                           \
  X("GETNEXTBLOCK", GetNextBlock, HostHandler<operations::DoGetNextBlock>)                        \
  X("NATIVEVERSION", NativeVersion, HostHandler<operations::DoNativeVersion>)                     \
  X("GETFILESIZE", GetFileSize, HostHandler<operations::DoGetFileSize>)
// clang-format on

// The route of a request, one for each row and one for every other name.
enum class TRoute {
#define FEROLANT_ROUTE_ENUMERATOR(name, route, handler) route,
  FEROLANT_ROUTES(FEROLANT_ROUTE_ENUMERATOR)
#undef FEROLANT_ROUTE_ENUMERATOR
      UnknownMethod,
};

class IOperationHost;
struct TTavrinFunctions;

// Calls the route's handler, which sends the request's one reply. Raises what the handler
// raises; "The signing library is not loaded" for a library method without a library.
void Dispatch(TRoute route, IOperationHost& host, const TTavrinFunctions* tavrin);
