// Reading requests and writing replies, the host's way against two peers.
//
// Each case is registered three times: ferolant, rapidjson, nlohmann. All
// three handle the same bytes (or the same UTF-16 data) and touch the result,
// so the optimiser cannot drop the work. With --smoke every case runs once on
// a tiny input, which only proves that the benchmarks still build and run;
// with --once every case runs once on its full input (for callgrind).
#include <benchmark/benchmark.h>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <cstring>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bench/bench_host_steps.h"
#include "bench/bench_inputs.h"
#include "json/value/jsonvalue.h"
#include "platform/code_page.h"
#include "platform/heap_policy.h"

namespace {

// --- reading -----------------------------------------------------------------

void ReadFerolantRequest(benchmark::State& state, const std::string& body) {
  for (auto _ : state) {
    std::u16string param = bench::HostRequestParam1(body);
    benchmark::DoNotOptimize(param.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}

void ReadFerolantDocument(benchmark::State& state, const std::string& body) {
  for (auto _ : state) {
    IJsonValue document = ParseJson(platform::ThreadAnsiToWide(body));
    benchmark::DoNotOptimize(document.get());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}

void ReadRapidJson(benchmark::State& state, const std::string& body, bool request) {
  for (auto _ : state) {
    rapidjson::Document document;
    document.Parse(body.c_str(), body.size());
    if (document.HasParseError()) state.SkipWithError("rapidjson: parse error");
    if (request) benchmark::DoNotOptimize(document["parametry"]["param1"].GetStringLength());
    benchmark::DoNotOptimize(&document);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}

void ReadNlohmann(benchmark::State& state, const std::string& body, bool request) {
  for (auto _ : state) {
    nlohmann::json document = nlohmann::json::parse(body);
    if (request) {
      benchmark::DoNotOptimize(document["parametry"]["param1"].get_ref<std::string&>().size());
    }
    benchmark::DoNotOptimize(&document);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}

// --- writing -----------------------------------------------------------------

void WriteFerolant(benchmark::State& state, const std::u16string& data) {
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string wire = bench::HostReplyText(data);
    bytes = wire.size();
    benchmark::DoNotOptimize(wire.data());
  }
  state.counters["wire_bytes"] = static_cast<double>(bytes);
}

template <typename Writer>
void WriteRapidJsonReply(Writer& writer, const std::u16string& data) {
  const auto text = [&writer](std::u16string_view s) {
    writer.String(s.data(), static_cast<rapidjson::SizeType>(s.size()));
  };
  writer.StartObject();
  text(u"metoda");
  text(u"SIGNDETACHED");
  text(u"result");
  writer.StartObject();
  text(u"data");
  text(data);
  text(u"hasNextPart");
  writer.Int(0);
  writer.EndObject();
  text(u"errNo");
  writer.Int(0);
  text(u"tabID");
  writer.Int(12);
  text(u"errMsg");
  text(u"");
  writer.EndObject();
}

void WriteRapidJson(benchmark::State& state, const std::u16string& data) {
  using TBuffer = rapidjson::GenericStringBuffer<rapidjson::ASCII<>>;
  std::size_t bytes = 0;
  for (auto _ : state) {
    TBuffer buffer;
    rapidjson::Writer<TBuffer, rapidjson::UTF16<char16_t>, rapidjson::ASCII<>> writer(buffer);
    WriteRapidJsonReply(writer, data);
    std::string wire(buffer.GetString(), buffer.GetSize());
    bytes = wire.size();
    benchmark::DoNotOptimize(wire.data());
  }
  state.counters["wire_bytes"] = static_cast<double>(bytes);
}

void WriteNlohmann(benchmark::State& state, const std::string& utf8Data) {
  std::size_t bytes = 0;
  for (auto _ : state) {
    nlohmann::json reply = {{"metoda", "SIGNDETACHED"},
                            {"result", {{"data", utf8Data}, {"hasNextPart", 0}}},
                            {"errNo", 0},
                            {"tabID", 12},
                            {"errMsg", ""}};
    std::string wire = reply.dump(-1, ' ', true);
    bytes = wire.size();
    benchmark::DoNotOptimize(wire.data());
  }
  state.counters["wire_bytes"] = static_cast<double>(bytes);
}

// --- registration ------------------------------------------------------------

// In a smoke run every case runs exactly once.
template <typename Fn>
void Register(bool smoke, const std::string& name, Fn fn) {
  benchmark::internal::Benchmark* b = benchmark::RegisterBenchmark(name.c_str(), std::move(fn));
  b->Unit(benchmark::kMicrosecond);
  if (smoke) b->Iterations(1);
}

struct TSizes {
  std::size_t RequestText;
  std::size_t Document;
  std::size_t BlockUnits;
};

void RegisterReads(const std::string& name, std::string body, bool request, bool smoke) {
  auto shared = std::make_shared<const std::string>(std::move(body));
  Register(smoke, "read/" + name + "/ferolant", [shared, request](benchmark::State& s) {
    if (request) {
      ReadFerolantRequest(s, *shared);
    } else {
      ReadFerolantDocument(s, *shared);
    }
  });
  Register(smoke, "read/" + name + "/rapidjson",
           [shared, request](benchmark::State& s) { ReadRapidJson(s, *shared, request); });
  Register(smoke, "read/" + name + "/nlohmann",
           [shared, request](benchmark::State& s) { ReadNlohmann(s, *shared, request); });
}

void RegisterWrites(const std::string& name, std::u16string data, bool smoke) {
  // Every writer writes the reply the host sends: with data cut where the host cuts it.
  data.resize(bench::HostReplyData(data).size());
  auto shared = std::make_shared<const std::u16string>(std::move(data));
  auto utf8 = std::make_shared<const std::string>(platform::WideToThreadAnsi(*shared));
  Register(smoke, "write/" + name + "/ferolant",
           [shared](benchmark::State& s) { WriteFerolant(s, *shared); });
  Register(smoke, "write/" + name + "/rapidjson",
           [shared](benchmark::State& s) { WriteRapidJson(s, *shared); });
  Register(smoke, "write/" + name + "/nlohmann",
           [utf8](benchmark::State& s) { WriteNlohmann(s, *utf8); });
}

}  // namespace

int main(int argc, char** argv) {
  // The host's heap policy, set as the host sets it at start.
  platform::KeepLargeBlocksForReuse();
  // --once: every case once on its full input, for counting instructions (callgrind).
  bool smoke = false;
  bool once = false;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--smoke") == 0) {
      smoke = true;
    } else if (std::strcmp(argv[i], "--once") == 0) {
      once = true;
    } else {
      args.push_back(argv[i]);
    }
  }
  const TSizes sizes = smoke ? TSizes{64, 256, 100} : TSizes{1 << 20, 1 << 20, 450000};
  const bool single = smoke || once;

  RegisterReads("ascii-request-1MiB", bench::SignRequest(bench::AsciiProse(sizes.RequestText)),
                true, single);
  RegisterReads("czech-request-1MiB", bench::SignRequest(bench::CzechProse(sizes.RequestText)),
                true, single);
  RegisterReads("object-heavy-1MiB", bench::ObjectHeavyDocument(sizes.Document), false, single);
  RegisterWrites("ascii-block-450000", bench::AsciiData(sizes.BlockUnits), single);
  RegisterWrites("czech-block-450000", bench::CzechData(sizes.BlockUnits), single);

  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
