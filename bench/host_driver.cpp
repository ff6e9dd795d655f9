// Drives a Native Messaging host as the browser does: starts it, writes
// request frames to its standard input, reads reply frames from its standard
// output, and prints what it measured as key=value pairs on one line.
//
//   ferolant_host_driver requests N [--record FILE] -- HOST ARGS...
//       N NATIVEVERSION requests one at a time over one pipe.
//   ferolant_host_driver signs N [--record FILE] -- HOST ARGS...
//       N short SIGNDETACHED requests one at a time over one pipe (through the
//       stand-in library: a library call, and the dialog watch around it).
//   ferolant_host_driver startup N [--pause MS] -- HOST ARGS...
//       N processes, each started, asked once and timed up to the reply. Each
//       starts MS milliseconds (250 unless given) after the last one ended,
//       so that every host starts on a machine in the same state: one that
//       comes back to back after a host that ended at once finds caches and
//       processors still warm, one after a pause does not (here that alone
//       takes the echo host from 0.7 to 1.1 ms).
//   ferolant_host_driver long UNITS [--record FILE] -- HOST ARGS...
//       A SIGNDETACHED whose result is UNITS ASCII units (a long run of the
//       stand-in library), then GETNEXTBLOCK until the last block; the
//       fetch figures cover the GETNEXTBLOCK exchanges alone.
//   ferolant_host_driver memory MIB -- HOST ARGS...
//       One SIGNDETACHED of MIB MiB of text; the host's peak resident memory.
//
// --record writes every reply frame to FILE, which the echo host replays.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_inputs.h"

extern char** environ;

namespace {

using TClock = std::chrono::steady_clock;

double SecondsSince(TClock::time_point start) {
  return std::chrono::duration<double>(TClock::now() - start).count();
}

// A host process with pipes to its standard input and output.
class THost {
 public:
  explicit THost(const std::vector<std::string>& command) {
    int input[2];
    int output[2];
    if (pipe(input) != 0 || pipe(output) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    for (int fd : {input[0], input[1], output[0], output[1]}) {
      posix_spawn_file_actions_addclose(&actions, fd);
    }
    std::vector<char*> argv;
    for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const int failed = posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    close(output[1]);
    FInput = input[1];
    FOutput = output[0];
    if (failed != 0) throw std::runtime_error("cannot start " + command[0]);
  }
  THost(const THost&) = delete;
  THost& operator=(const THost&) = delete;
  ~THost() {
    if (FPid > 0) {
      kill(FPid, SIGKILL);
      Finish();
    }
  }

  void Send(const std::string& body) {
    const auto length = static_cast<std::uint32_t>(body.size());
    std::string frame(4, '\0');
    for (int i = 0; i < 4; ++i) frame[i] = static_cast<char>(length >> (8 * i));
    frame += body;
    WriteAll(frame.data(), frame.size());
  }

  // The body of the next reply; throws when the host ends first.
  std::string Receive() {
    unsigned char header[4];
    ReadAll(header, 4);
    const std::uint32_t length =
        header[0] | header[1] << 8 | header[2] << 16 | std::uint32_t{header[3]} << 24;
    std::string body(length, '\0');
    ReadAll(body.data(), length);
    return body;
  }

  // Closes the host's input, as the browser does, and waits for it to end;
  // yields its peak resident memory in KiB.
  long Finish() {
    if (FInput >= 0) close(FInput);
    FInput = -1;
    int status = 0;
    rusage usage{};
    const auto deadline = TClock::now() + std::chrono::seconds(30);
    pid_t done = 0;
    while ((done = wait4(FPid, &status, WNOHANG, &usage)) == 0 && TClock::now() < deadline) {
      usleep(2000);
    }
    if (done == 0) {
      kill(FPid, SIGKILL);
      wait4(FPid, &status, 0, &usage);
    }
    FPid = -1;
    if (FOutput >= 0) close(FOutput);
    FOutput = -1;
    return usage.ru_maxrss;
  }

 private:
  void WriteAll(const char* data, std::size_t count) {
    while (count > 0) {
      const ssize_t n = write(FInput, data, count);
      if (n <= 0) throw std::runtime_error("the host stopped reading");
      data += n;
      count -= static_cast<std::size_t>(n);
    }
  }
  void ReadAll(void* buffer, std::size_t count) {
    auto* at = static_cast<char*>(buffer);
    while (count > 0) {
      const ssize_t n = read(FOutput, at, count);
      if (n <= 0) throw std::runtime_error("the host ended before its reply");
      at += n;
      count -= static_cast<std::size_t>(n);
    }
  }

  pid_t FPid = -1;
  int FInput = -1;
  int FOutput = -1;
};

class TRecorder {
 public:
  explicit TRecorder(const std::string& path) {
    if (!path.empty()) FFile.open(path, std::ios::binary | std::ios::trunc);
  }
  void Add(const std::string& body) {
    if (!FFile.is_open()) return;
    const auto length = static_cast<std::uint32_t>(body.size());
    char header[4];
    for (int i = 0; i < 4; ++i) header[i] = static_cast<char>(length >> (8 * i));
    FFile.write(header, 4);
    FFile.write(body.data(), static_cast<std::streamsize>(body.size()));
  }

 private:
  std::ofstream FFile;
};

const std::string kVersionRequest = R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":3})";

std::string Request(const std::string& method, const std::string& param1,
                    const std::string& param2) {
  return R"({"metoda":")" + method + R"(","parametry":{"param1":")" + param1 + R"(","param2":")" +
         param2 + R"("},"tabID":5})";
}

// The stand-in library answers SIGNDETACHED with this number plus L by L ASCII units.
constexpr long kAsciiRunBase = 100000000;

bool IsLastBlock(const std::string& reply) {
  return reply.find(R"("hasNextPart":0)") != std::string::npos;
}

int Requests(long count, const std::string& record, const std::vector<std::string>& command,
             const std::string& request) {
  THost host(command);
  TRecorder recorder(record);
  // One exchange before the clock starts: the process is up and loaded.
  host.Send(request);
  recorder.Add(host.Receive());
  const auto start = TClock::now();
  for (long i = 0; i < count; ++i) {
    host.Send(request);
    host.Receive();
  }
  const double seconds = SecondsSince(start);
  host.Finish();
  std::printf("requests=%ld seconds=%.6f per_second=%.1f\n", count, seconds, count / seconds);
  return 0;
}

int Startup(long count, long pauseMs, const std::vector<std::string>& command) {
  std::vector<double> times;
  for (long i = 0; i < count; ++i) {
    if (pauseMs > 0) usleep(static_cast<useconds_t>(pauseMs) * 1000);
    const auto start = TClock::now();
    THost host(command);
    host.Send(kVersionRequest);
    host.Receive();
    times.push_back(SecondsSince(start));
    host.Finish();
  }
  // Every start's own time first, for a caller that pools several runs.
  std::printf("seconds=");
  for (std::size_t i = 0; i < times.size(); ++i) std::printf(i ? ",%.6f" : "%.6f", times[i]);
  std::printf("\n");
  std::sort(times.begin(), times.end());
  std::printf("runs=%ld median_seconds=%.6f min_seconds=%.6f\n", count, times[times.size() / 2],
              times.front());
  return 0;
}

int Long(long units, const std::string& record, const std::vector<std::string>& command) {
  THost host(command);
  TRecorder recorder(record);
  std::size_t bytes = 0;
  long frames = 0;
  const auto start = TClock::now();
  host.Send(Request("SIGNDETACHED", "x", std::to_string(kAsciiRunBase + units)));
  double firstSeconds = 0;
  std::size_t firstBytes = 0;
  for (;;) {
    const std::string reply = host.Receive();
    if (frames == 0) {
      firstSeconds = SecondsSince(start);
      firstBytes = reply.size();
    }
    recorder.Add(reply);
    bytes += reply.size();
    ++frames;
    if (IsLastBlock(reply)) break;
    host.Send(Request("GETNEXTBLOCK", "", ""));
  }
  const double seconds = SecondsSince(start);
  host.Finish();
  // The fetch: the GETNEXTBLOCK exchanges after the first reply.
  const double fetchSeconds = seconds - firstSeconds;
  const std::size_t fetchBytes = bytes - firstBytes;
  std::printf(
      "frames=%ld bytes=%zu seconds=%.6f first_seconds=%.6f fetch_bytes=%zu fetch_seconds=%.6f "
      "fetch_mib_per_second=%.1f\n",
      frames, bytes, seconds, firstSeconds, fetchBytes, fetchSeconds,
      fetchBytes / fetchSeconds / (1 << 20));
  return 0;
}

int Memory(long mib, const std::vector<std::string>& command) {
  const std::string body =
      bench::SignRequest(bench::AsciiProse(static_cast<std::size_t>(mib) << 20));
  THost host(command);
  host.Send(body);
  const std::string reply = host.Receive();
  const long maxRss = host.Finish();
  const bool signedOk = reply.find("STANDIN-SIG:") != std::string::npos;
  std::printf("body_bytes=%zu max_rss_kib=%ld signed=%d\n", body.size(), maxRss, signedOk ? 1 : 0);
  return signedOk ? 0 : 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: ferolant_host_driver requests N [--record FILE] -- HOST ARGS...\n"
               "       ferolant_host_driver signs N [--record FILE] -- HOST ARGS...\n"
               "       ferolant_host_driver startup N [--pause MS] -- HOST ARGS...\n"
               "       ferolant_host_driver long UNITS [--record FILE] -- HOST ARGS...\n"
               "       ferolant_host_driver memory MIB -- HOST ARGS...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  const auto split = std::find(args.begin(), args.end(), "--");
  if (args.size() < 2 || split == args.end() || split + 1 == args.end()) return Usage();
  const std::vector<std::string> command(split + 1, args.end());
  const std::string mode = args[0];
  const std::string value = args[1];
  std::string record;
  long pauseMs = 250;
  if (split - args.begin() == 4 && args[2] == "--record") record = args[3];
  if (split - args.begin() == 4 && args[2] == "--pause") pauseMs = std::stol(args[3]);
  try {
    if (mode == "requests") return Requests(std::stol(value), record, command, kVersionRequest);
    if (mode == "signs") {
      return Requests(std::stol(value), record, command, Request("SIGNDETACHED", "text", "1"));
    }
    if (mode == "startup") return Startup(std::stol(value), pauseMs, command);
    if (mode == "long") return Long(std::stol(value), record, command);
    if (mode == "memory") return Memory(std::stol(value), command);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ferolant_host_driver: %s\n", e.what());
    return 1;
  }
  return Usage();
}
