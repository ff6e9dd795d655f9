#include "channel/frame_writer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "tests/support/memory_streams.h"

namespace {

using namespace std::string_literals;

TEST(FrameWriter, TheLengthGoesFirstInLittleEndianOrder) {
  TRecordingOutput output;
  const std::string body(300, 'r');
  WriteFrame(&output, body);
  EXPECT_EQ(output.Bytes, "\x2C\x01\x00\x00"s + body);
  EXPECT_EQ(output.WriteSizes, (std::vector<std::int32_t>{4, 300}));
}

TEST(FrameWriter, AnEmptyBodyIsAHeaderAlone) {
  TRecordingOutput output;
  WriteFrame(&output, "");
  EXPECT_EQ(output.Bytes, "\0\0\0\0"s);
}

TEST(FrameWriter, ABodyNotWrittenWholeIsAStreamWriteError) {
  TRecordingOutput output;
  output.WriteLimit = 10;
  try {
    WriteFrame(&output, std::string(300, 'r'));
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Stream write error");
  }
}

TEST(FrameWriter, AFailedHeaderWriteIsNotCheckedButTheBodyIs) {
  TRecordingOutput output;
  output.WriteLimit = 0;  // every write fails
  EXPECT_THROW(WriteFrame(&output, "x"), std::runtime_error);
  EXPECT_EQ(output.WriteSizes, (std::vector<std::int32_t>{4, 1}));
}

TEST(FrameWriter, WithoutAStreamNothingHappens) { EXPECT_NO_THROW(WriteFrame(nullptr, "body")); }

}  // namespace
