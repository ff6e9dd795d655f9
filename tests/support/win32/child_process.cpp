// The child-process driver on Windows: CreateProcessW with anonymous pipes.
// Anonymous pipes have no overlapped reads, so a read with a time-out looks at
// what the pipe holds (PeekNamedPipe) and returns as soon as enough is there.
// Signals have no meaning here: Pid, WaitUntilCatching and SendSignal are
// left undefined, so a test that needs them does not link.
#include "support/child_process.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

#include "channel/frame_header.h"

namespace {

using TClock = std::chrono::steady_clock;

std::wstring Wide(const std::string& text) {
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(size, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), size);
  return wide;
}

HANDLE AsHandle(int value) noexcept {
  return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(value));
}
int AsInt(HANDLE handle) noexcept { return static_cast<int>(reinterpret_cast<INT_PTR>(handle)); }

void Close(int& handle) noexcept {
  if (handle >= 0) CloseHandle(AsHandle(handle));
  handle = -1;
}

enum class TPipeState { Data, Empty, Ended };

TPipeState Look(int handle, std::size_t& available) {
  DWORD count = 0;
  if (!PeekNamedPipe(AsHandle(handle), nullptr, 0, nullptr, &count, nullptr)) {
    return TPipeState::Ended;
  }
  available = count;
  return count > 0 ? TPipeState::Data : TPipeState::Empty;
}

}  // namespace

TChildProcess::TChildProcess(const std::string& path, TOptions options) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE inputRead = nullptr, inputWrite = nullptr, outputRead = nullptr, outputWrite = nullptr;
  if (!CreatePipe(&inputRead, &inputWrite, &inheritable, 0) ||
      !CreatePipe(&outputRead, &outputWrite, &inheritable, 0)) {
    throw std::runtime_error("CreatePipe failed");
  }
  // Only the child's ends are inherited, or the child would hold its own
  // input open and never read its end.
  SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inputRead;
  startup.hStdOutput = outputWrite;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::wstring commandLine = L"\"" + Wide(path) + L"\"";
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process);
  CloseHandle(inputRead);
  CloseHandle(outputWrite);
  if (!started) {
    CloseHandle(inputWrite);
    CloseHandle(outputRead);
    throw std::runtime_error("cannot start " + path);
  }
  CloseHandle(process.hThread);
  // The process handle is kept in FPid's place: the child is known by it alone.
  FPid = AsInt(process.hProcess);
  FInput = AsInt(inputWrite);
  FOutput = AsInt(outputRead);
  if (options.EmptyInput) CloseInput();
  if (options.OutputReaderGone) CloseOutput();
}

TChildProcess::~TChildProcess() {
  CloseInput();
  CloseOutput();
  if (!FStatus) {
    TerminateProcess(AsHandle(FPid), 1);
    WaitForSingleObject(AsHandle(FPid), INFINITE);
  }
  CloseHandle(AsHandle(FPid));
}

bool TChildProcess::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    if (FInput < 0) return false;
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
    DWORD written = 0;
    if (!WriteFile(AsHandle(FInput), bytes.data(), piece, &written, nullptr) || written == 0) {
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

void TChildProcess::CloseInput() { Close(FInput); }

void TChildProcess::CloseOutput() { Close(FOutput); }

std::optional<std::string> TChildProcess::Read(std::size_t count,
                                               std::chrono::milliseconds timeout) {
  const auto deadline = TClock::now() + timeout;
  std::string bytes;
  while (bytes.size() < count) {
    if (FOutput < 0) return std::nullopt;
    std::size_t available = 0;
    const TPipeState state = Look(FOutput, available);
    if (state == TPipeState::Ended) return std::nullopt;
    if (state == TPipeState::Empty) {
      if (TClock::now() >= deadline) return std::nullopt;
      // Looking again soon, not waiting a fixed time: the loop goes on as
      // soon as the child has written.
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    const std::size_t want = std::min(available, count - bytes.size());
    const std::size_t start = bytes.size();
    bytes.resize(start + want);
    DWORD got = 0;
    if (!ReadFile(AsHandle(FOutput), bytes.data() + start, static_cast<DWORD>(want), &got,
                  nullptr) ||
        got == 0) {
      return std::nullopt;
    }
    bytes.resize(start + got);
  }
  return bytes;
}

std::optional<std::string> TChildProcess::ReadFrame(std::chrono::milliseconds timeout) {
  const auto deadline = TClock::now() + timeout;
  const auto header = Read(4, timeout);
  if (!header) return std::nullopt;
  const std::uint32_t length = FrameLength(header->data());
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
  return Read(length, std::max(left, std::chrono::milliseconds(0)));
}

std::optional<std::string> TChildProcess::ReadToEnd(std::chrono::milliseconds timeout) {
  const auto deadline = TClock::now() + timeout;
  std::string bytes;
  while (FOutput >= 0) {
    std::size_t available = 0;
    const TPipeState state = Look(FOutput, available);
    if (state == TPipeState::Ended) break;
    if (state == TPipeState::Empty) {
      if (TClock::now() >= deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    const std::size_t start = bytes.size();
    bytes.resize(start + available);
    DWORD got = 0;
    if (!ReadFile(AsHandle(FOutput), bytes.data() + start, static_cast<DWORD>(available), &got,
                  nullptr)) {
      bytes.resize(start);
      break;
    }
    bytes.resize(start + got);
  }
  return bytes;
}

std::optional<TExitStatus> TChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
  if (FStatus) return FStatus;
  const auto wait = static_cast<DWORD>(std::max<std::int64_t>(timeout.count(), 0));
  if (WaitForSingleObject(AsHandle(FPid), wait) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(AsHandle(FPid), &code);
  FStatus = TExitStatus{true, static_cast<int>(code)};
  return FStatus;
}

bool TChildProcess::Running() { return !WaitForExit(std::chrono::milliseconds(0)).has_value(); }
