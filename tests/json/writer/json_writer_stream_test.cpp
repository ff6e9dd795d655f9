#include "json/writer/json_writer_stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace {

// Takes the first Budget bytes, then refuses everything.
class TFullStream final : public TJsonByteStream {
 public:
  explicit TFullStream(std::int32_t budget) : Budget(budget) {}
  std::int32_t Write(const void* data, std::int32_t count) override {
    const std::int32_t taken = std::min(count, Budget - static_cast<std::int32_t>(Bytes.size()));
    Bytes.append(static_cast<const char*>(data), static_cast<std::size_t>(taken));
    return taken;
  }
  void Truncate() override { Bytes.clear(); }
  std::int64_t Size() const noexcept override { return static_cast<std::int64_t>(Bytes.size()); }

  std::int32_t Budget;
  std::string Bytes;
};

TEST(JsonWriterStream, AnsiSinkWritesTheLowByteOfEachUnit) {
  TJsonMemoryStream stream;
  TJsonAnsiWriterStream sink(stream);
  EXPECT_EQ(sink.Append(u"{\"a\":1}"), 7);
  EXPECT_EQ(sink.AppendText(u"x"), 1);
  EXPECT_EQ(sink.Append(u"\u0141"), 1);  // not ASCII: only its low byte survives
  EXPECT_EQ(stream.Bytes(), std::string("{\"a\":1}x\x41"));
}

TEST(JsonWriterStream, UnicodeSinkWritesUtf16LittleEndian) {
  TJsonMemoryStream stream;
  TJsonUnicodeWriterStream sink(stream);
  EXPECT_EQ(sink.Append(u"A\u20ac"), 4);
  EXPECT_EQ(stream.Bytes(), std::string("A\0\xac\x20", 4));
}

TEST(JsonWriterStream, RunsLongerThanTheLocalBufferArriveWhole) {
  std::u16string text;
  for (int i = 0; i < 5000; ++i) text += static_cast<char16_t>(u'a' + i % 26);
  TJsonMemoryStream ansi;
  TJsonAnsiWriterStream ansiSink(ansi);
  EXPECT_EQ(ansiSink.Append(text), 5000);
  EXPECT_EQ(ansi.Bytes(), std::string(text.begin(), text.end()));

  TJsonMemoryStream wide;
  TJsonUnicodeWriterStream wideSink(wide);
  EXPECT_EQ(wideSink.Append(text), 10000);
  EXPECT_EQ(wide.Size(), 10000);
}

TEST(JsonWriterStream, AFailedWriteMakesEveryLaterAppendFailUntilReset) {
  TFullStream stream(5);
  TJsonAnsiWriterStream sink(stream);
  EXPECT_EQ(sink.Append(u"abc"), 3);
  EXPECT_EQ(sink.Append(u"def"), -1);
  // The stream has room again, but the text already has a hole in it.
  stream.Budget = 100;
  EXPECT_EQ(sink.Append(u"}"), -1);

  sink.ResetOutput();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(sink.Append(u"ok"), 2);
  EXPECT_EQ(stream.Bytes, "ok");
}

TEST(JsonFileStream, CreatesOverwritesAndTruncatesTheFile) {
  // Several checkouts may run their suites at once on one machine.
  const auto path = std::filesystem::temp_directory_path() /
                    ("ferolant-writer-" + std::to_string(std::random_device{}()) + ".json");
  { std::ofstream(path) << "old content that is longer"; }
  {
    TJsonFileStream stream(path);
    ASSERT_TRUE(stream.IsOpen());
    TJsonAnsiWriterStream sink(stream);
    sink.Append(u"discarded");
    sink.ResetOutput();
    sink.Append(u"[1]");
    EXPECT_EQ(stream.Size(), 3);
  }
  std::ifstream in(path, std::ios::binary);
  const std::string content{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(content, "[1]");
  in.close();
  std::filesystem::remove(path);

  TJsonFileStream missing(std::filesystem::temp_directory_path() / "no-such-dir" / "x.json");
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_LT(missing.Write("x", 1), 0);
}

}  // namespace
