#include <windows.h>

#include <algorithm>
#include <thread>

#include "tools/client/host_process.h"
#include "tools/client/win32/wide_text.h"

namespace ferolant::client {

struct HostProcess::Pipes {
  HANDLE process = nullptr;
  DWORD pid = 0;
  HANDLE to_host = nullptr;
  HANDLE from_host = nullptr;
  HANDLE errors = nullptr;  // the captured standard error, or none
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

HostProcess::HostProcess(std::unique_ptr<Pipes> pipes) noexcept : pipes_(std::move(pipes)) {}

std::unique_ptr<HostProcess> HostProcess::Start(const std::string& path, std::string& error,
                                                bool capture_errors) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE in_read = nullptr, in_write = nullptr, out_read = nullptr, out_write = nullptr;
  if (!::CreatePipe(&in_read, &in_write, &inherit, 0)) {
    error = "pipe: " + LastErrorText();
    return nullptr;
  }
  if (!::CreatePipe(&out_read, &out_write, &inherit, 0)) {
    error = "pipe: " + LastErrorText();
    ::CloseHandle(in_read), ::CloseHandle(in_write);
    return nullptr;
  }
  HANDLE errors = nullptr;
  if (capture_errors && (errors = AnonymousFile(inherit, error)) == nullptr) {
    ::CloseHandle(in_read), ::CloseHandle(in_write), ::CloseHandle(out_read),
        ::CloseHandle(out_write);
    return nullptr;
  }
  // Only the host's own ends are inherited, or it would never see its input end.
  ::SetHandleInformation(in_write, HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in_read;
  si.hStdOutput = out_write;
  si.hStdError = errors ? errors : ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  const std::wstring exe = Widen(path);
  std::wstring command = L"\"" + exe + L"\"";
  const BOOL started = ::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &si, &pi);
  const std::string why = started ? std::string() : LastErrorText();
  ::CloseHandle(in_read);
  ::CloseHandle(out_write);
  if (!started) {
    error = "cannot start " + path + ": " + why;
    ::CloseHandle(in_write), ::CloseHandle(out_read);
    if (errors) ::CloseHandle(errors);
    return nullptr;
  }
  ::CloseHandle(pi.hThread);
  return std::unique_ptr<HostProcess>(new HostProcess(
      std::make_unique<Pipes>(Pipes{pi.hProcess, pi.dwProcessId, in_write, out_read, errors})));
}

HostProcess::~HostProcess() {
  CloseInput();
  CloseOutput();
  if (!status_ && !WaitExit(std::chrono::milliseconds(0))) {
    ::TerminateProcess(pipes_->process, 1);
    WaitExit(std::chrono::seconds(10));
  }
  CloseHandleOnce(pipes_->process);
  CloseHandleOnce(pipes_->errors);
}

long HostProcess::pid() const noexcept { return static_cast<long>(pipes_->pid); }

bool HostProcess::WriteRaw(std::string_view bytes) {
  while (!bytes.empty()) {
    if (pipes_->to_host == nullptr) return false;
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    if (!::WriteFile(pipes_->to_host, bytes.data(), chunk, &written, nullptr) || written == 0) {
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

std::size_t HostProcess::ReadSome(char* out, std::size_t n,
                                  std::chrono::steady_clock::time_point deadline, bool& timed_out) {
  for (;;) {
    if (pipes_->from_host == nullptr) return 0;
    // Anonymous pipes have no waitable read with a time-out: look, then read what is there.
    DWORD available = 0;
    if (!::PeekNamedPipe(pipes_->from_host, nullptr, 0, nullptr, &available, nullptr)) {
      return 0;  // the host closed its output
    }
    if (available == 0) {
      if (std::chrono::steady_clock::now() >= deadline) {
        timed_out = true;
        return 0;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    DWORD read = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n, available));
    if (!::ReadFile(pipes_->from_host, out, want, &read, nullptr)) return 0;
    return read;
  }
}

std::string HostProcess::ErrorOutput() const {
  std::string text;
  if (pipes_->errors == nullptr) return text;
  // The host shares the handle and with it the file position: read from the start.
  ::SetFilePointer(pipes_->errors, 0, nullptr, FILE_BEGIN);
  char chunk[4096];
  DWORD n = 0;
  while (::ReadFile(pipes_->errors, chunk, sizeof chunk, &n, nullptr) && n > 0)
    text.append(chunk, n);
  return text;
}

void HostProcess::CloseInput() noexcept { CloseHandleOnce(pipes_->to_host); }

void HostProcess::CloseOutput() noexcept { CloseHandleOnce(pipes_->from_host); }

std::optional<int> HostProcess::WaitExit(std::chrono::milliseconds timeout) {
  if (status_) return status_;
  if (::WaitForSingleObject(pipes_->process, static_cast<DWORD>(timeout.count())) !=
      WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  ::GetExitCodeProcess(pipes_->process, &code);
  status_ = static_cast<int>(code);
  return status_;
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
