// One connection that lives long: a hundred thousand mixed requests, each
// answered in order, with the host's resident memory as flat at the end as
// after the first ten thousand.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/memory_streams.h"

namespace {

const std::string kHost = FEROLANT_EXECUTABLE;

// A sanitized host keeps freed memory in quarantine on purpose, so its resident
// size says nothing about leaks (its leak checker does, at exit).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsMeaningful = false;
#else
constexpr bool kMemoryIsMeaningful = true;
#endif
constexpr int kRequests = 100000;
constexpr int kWarmUp = 10000;

std::optional<std::uint64_t> ResidentKilobytes(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string key;
  std::uint64_t value = 0;
  while (in >> key) {
    if (key == "VmRSS:" && in >> value) return value;
    in.ignore(1 << 20, '\n');
  }
  return std::nullopt;
}

struct TExchange {
  std::string Frame;
  int TabID;  // the tab id the reply must carry
};

// A request of every kind the host answers, by itself or through the library,
// well-formed or not, with a long result fetched in blocks now and then.
std::vector<TExchange> MixedRequests(int count) {
  const auto request = [](const std::string& method, const std::string& params, int tabID) {
    return Frame(R"({"metoda":")" + method + R"(","parametry":{)" + params + R"(},"tabID":)" +
                 std::to_string(tabID) + "}");
  };
  std::vector<TExchange> exchanges;
  exchanges.reserve(static_cast<std::size_t>(count));
  int lastTab = 0;
  for (int i = 1; exchanges.size() < static_cast<std::size_t>(count); ++i) {
    const std::string n = std::to_string(i);
    switch (i % 12) {
      case 0:
        exchanges.push_back({request("NATIVEVERSION", "", i), i});
        break;
      case 1:
        exchanges.push_back({request("about", "", i), i});
        break;
      case 2:
        exchanges.push_back(
            {request("GETFILESIZE", R"("param1":"/no/such/file/)" + n + "\"", i), i});
        break;
      case 3:
        exchanges.push_back(
            {request("SIGNDETACHED", R"("param1":"text \u010d )" + n + R"(","param2":")" + n + "\"",
                     i),
             i});
        break;
      case 4:
        exchanges.push_back({Frame("{\"metoda\":\"INIT\",\"parametry\":[" + n), lastTab});
        break;
      case 5:
        if (i % 2400 == 5) {
          // 450001 units: a block now, the last unit with the GETNEXTBLOCK after it.
          exchanges.push_back(
              {request("SIGNDETACHED", R"("param1":"x","param2":"10450001")", i), i});
        } else {
          exchanges.push_back({request("NO_SUCH_METHOD", "", i), i});
        }
        break;
      case 6:
        exchanges.push_back({request("GETNEXTBLOCK", "", i), i});
        break;
      case 7:
        exchanges.push_back({request("GETFILENAMEDLG", R"("param1":"title )" + n + "\"", i), i});
        break;
      case 8:
        exchanges.push_back({request("SETCFGCODEPAGENUMBER", R"("param1":"1250")", i), i});
        break;
      case 9:
        exchanges.push_back({request("GETLASTCERTSENDERSIGNATURESN", "", i), i});
        break;
      case 10:
        exchanges.push_back(
            {request("SETCFGSIGNATUREHASHALGORITHMNUMBER", R"("param1":"2")", i), i});
        break;
      default:
        exchanges.push_back({request("INIT", "", i), i});
        break;
    }
    if (exchanges.back().TabID == i) lastTab = i;
  }
  return exchanges;
}

std::optional<int> TabIDOf(const std::string& reply) {
  const std::string key = "\"tabID\":";
  const auto at = reply.find(key);
  if (at == std::string::npos) return std::nullopt;
  return std::stoi(reply.substr(at + key.size()));
}

TEST(HostLongRun, MixedRequestsOnOneConnectionLeaveMemoryFlat) {
  TChildProcess host(kHost);
  const std::vector<TExchange> exchanges = MixedRequests(kRequests);
  // One write a frame, as a browser writes its messages: a single write of everything would
  // let a full pipe cut a header, which the host drops (a short read is not a header), and
  // the frames after it would lose their boundaries.
  bool written = true;
  std::thread writer([&] {
    for (const TExchange& exchange : exchanges) {
      if (!(written = host.Write(exchange.Frame))) return;
    }
  });
  // A failed assertion below leaves the loop early; the writer must not outlive the test.
  struct TJoin {
    std::thread& Writer;
    TChildProcess& Host;
    ~TJoin() {
      if (!Writer.joinable()) return;
      Host.CloseOutput();
      Host.CloseInput();
      Writer.join();
    }
  } join{writer, host};

  constexpr auto kTimeout = std::chrono::minutes(3);
  std::optional<std::uint64_t> atWarmUp;
  for (int i = 0; i < kRequests; ++i) {
    const auto reply = host.ReadFrame(kTimeout);
    ASSERT_TRUE(reply.has_value()) << "no reply to request " << i;
    ASSERT_EQ(TabIDOf(*reply), exchanges[static_cast<std::size_t>(i)].TabID) << *reply;
    if (i + 1 == kWarmUp) atWarmUp = ResidentKilobytes(host.Pid());
  }
  const auto atEnd = ResidentKilobytes(host.Pid());
  writer.join();
  ASSERT_TRUE(written);
  host.CloseInput();
  const auto status = host.WaitForExit(kTimeout);
  ASSERT_TRUE(status.has_value());
  EXPECT_TRUE(status->Exited && status->Code == 0);

  ASSERT_TRUE(atWarmUp && atEnd);
  std::cout << "resident memory: " << *atWarmUp << " kB after " << kWarmUp << " requests, "
            << *atEnd << " kB after " << kRequests << "\n";
  if (kMemoryIsMeaningful) {
    // Flat means no growth with the number of requests: allow for allocator
    // noise, far less than what a leak of even a few bytes per request makes.
    EXPECT_LT(*atEnd, *atWarmUp + 2048);
  }
}

}  // namespace
