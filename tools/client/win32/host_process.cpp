#include <windows.h>

#include <algorithm>
#include <thread>

#include "tools/client/host_process.h"
#include "tools/client/win32/wide_text.h"

namespace ferolant::client {

struct THostProcess::TPipes {
  HANDLE Process = nullptr;
  DWORD Pid = 0;
  HANDLE ToHost = nullptr;
  HANDLE FromHost = nullptr;
  HANDLE Errors = nullptr;  // the captured standard error, or none
};

namespace {

void CloseHandleOnce(HANDLE& h) noexcept {
  if (h != nullptr) ::CloseHandle(h);
  h = nullptr;
}

std::string LastErrorText() { return "Windows error " + std::to_string(::GetLastError()); }

// A temporary file the system deletes when its last handle closes, whatever happens to us.
HANDLE AnonymousFile(SECURITY_ATTRIBUTES& inherit, std::string& error) {
  std::wstring dir(MAX_PATH + 1, L'\0');
  dir.resize(::GetTempPathW(static_cast<DWORD>(dir.size()), dir.data()));
  std::wstring name(MAX_PATH + 1, L'\0');
  if (dir.empty() || ::GetTempFileNameW(dir.c_str(), L"fer", 0, name.data()) == 0) {
    error = "temporary file: " + LastErrorText();
    return nullptr;
  }
  HANDLE file =
      ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = "temporary file: " + LastErrorText();
    return nullptr;
  }
  return file;
}

}  // namespace

THostProcess::THostProcess(std::unique_ptr<TPipes> pipes) noexcept : FPipes(std::move(pipes)) {}

std::unique_ptr<THostProcess> THostProcess::Start(const std::string& path, std::string& error,
                                                  bool captureErrors) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
  if (!::CreatePipe(&inRead, &inWrite, &inherit, 0)) {
    error = "pipe: " + LastErrorText();
    return nullptr;
  }
  if (!::CreatePipe(&outRead, &outWrite, &inherit, 0)) {
    error = "pipe: " + LastErrorText();
    ::CloseHandle(inRead), ::CloseHandle(inWrite);
    return nullptr;
  }
  HANDLE errors = nullptr;
  if (captureErrors && (errors = AnonymousFile(inherit, error)) == nullptr) {
    ::CloseHandle(inRead), ::CloseHandle(inWrite), ::CloseHandle(outRead), ::CloseHandle(outWrite);
    return nullptr;
  }
  // Only the host's own ends are inherited, or it would never see its input end.
  ::SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = inRead;
  si.hStdOutput = outWrite;
  si.hStdError = errors ? errors : ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  const std::wstring exe = Widen(path);
  std::wstring command = L"\"" + exe + L"\"";
  const BOOL started = ::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &si, &pi);
  const std::string why = started ? std::string() : LastErrorText();
  ::CloseHandle(inRead);
  ::CloseHandle(outWrite);
  if (!started) {
    error = "cannot start " + path + ": " + why;
    ::CloseHandle(inWrite), ::CloseHandle(outRead);
    if (errors) ::CloseHandle(errors);
    return nullptr;
  }
  ::CloseHandle(pi.hThread);
  return std::unique_ptr<THostProcess>(new THostProcess(
      std::make_unique<TPipes>(TPipes{pi.hProcess, pi.dwProcessId, inWrite, outRead, errors})));
}

THostProcess::~THostProcess() {
  CloseInput();
  CloseOutput();
  if (!FStatus && !WaitExit(std::chrono::milliseconds(0))) {
    ::TerminateProcess(FPipes->Process, 1);
    WaitExit(std::chrono::seconds(10));
  }
  CloseHandleOnce(FPipes->Process);
  CloseHandleOnce(FPipes->Errors);
}

long THostProcess::Pid() const noexcept { return static_cast<long>(FPipes->Pid); }

bool THostProcess::WriteRaw(std::string_view bytes) {
  while (!bytes.empty()) {
    if (FPipes->ToHost == nullptr) return false;
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    if (!::WriteFile(FPipes->ToHost, bytes.data(), chunk, &written, nullptr) || written == 0) {
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

std::size_t THostProcess::ReadSome(char* out, std::size_t n,
                                   std::chrono::steady_clock::time_point deadline, bool& timedOut) {
  for (;;) {
    if (FPipes->FromHost == nullptr) return 0;
    // Anonymous pipes have no waitable read with a time-out: look, then read what is there.
    DWORD available = 0;
    if (!::PeekNamedPipe(FPipes->FromHost, nullptr, 0, nullptr, &available, nullptr)) {
      return 0;  // the host closed its output
    }
    if (available == 0) {
      if (std::chrono::steady_clock::now() >= deadline) {
        timedOut = true;
        return 0;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    DWORD read = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n, available));
    if (!::ReadFile(FPipes->FromHost, out, want, &read, nullptr)) return 0;
    return read;
  }
}

std::string THostProcess::ErrorOutput() const {
  std::string text;
  if (FPipes->Errors == nullptr) return text;
  // The host shares the handle and with it the file position: read from the start.
  ::SetFilePointer(FPipes->Errors, 0, nullptr, FILE_BEGIN);
  char chunk[4096];
  DWORD n = 0;
  while (::ReadFile(FPipes->Errors, chunk, sizeof chunk, &n, nullptr) && n > 0)
    text.append(chunk, n);
  return text;
}

void THostProcess::CloseInput() noexcept { CloseHandleOnce(FPipes->ToHost); }

void THostProcess::CloseOutput() noexcept { CloseHandleOnce(FPipes->FromHost); }

std::optional<int> THostProcess::WaitExit(std::chrono::milliseconds timeout) {
  if (FStatus) return FStatus;
  if (::WaitForSingleObject(FPipes->Process, static_cast<DWORD>(timeout.count())) !=
      WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  ::GetExitCodeProcess(FPipes->Process, &code);
  FStatus = static_cast<int>(code);
  return FStatus;
}

std::string DescribeExit(int status) { return "exit code " + std::to_string(status); }

std::string DefaultHostPath() {
  std::wstring self(32768, L'\0');
  const DWORD n = ::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
  if (n == 0) return "ferolant.exe";
  self.resize(n);
  return Narrow(self.substr(0, self.find_last_of(L"\\/") + 1)) + "ferolant.exe";
}

}  // namespace ferolant::client
