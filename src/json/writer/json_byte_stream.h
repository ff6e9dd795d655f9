// Byte streams that the JSON writer can write to (WriteToStream, WriteToFile).
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

class TJsonByteStream {
 public:
  virtual ~TJsonByteStream() = default;

  // Appends count bytes; yields the number written, less than count (or
  // negative) when the stream failed.
  virtual std::int32_t Write(const void* data, std::int32_t count) = 0;
  // Empties the stream: size and position 0.
  virtual void Truncate() = 0;
  virtual std::int64_t Size() const noexcept = 0;

 protected:
  TJsonByteStream() = default;
  TJsonByteStream(const TJsonByteStream&) = default;
  TJsonByteStream& operator=(const TJsonByteStream&) = default;
};

// Bytes in memory.
class TJsonMemoryStream final : public TJsonByteStream {
 public:
  std::int32_t Write(const void* data, std::int32_t count) override;
  void Truncate() noexcept override { FBytes.clear(); }
  std::int64_t Size() const noexcept override { return static_cast<std::int64_t>(FBytes.size()); }

  const std::string& Bytes() const noexcept { return FBytes; }

 private:
  std::string FBytes;
};

// A file created (or emptied) on opening and closed with the object.
class TJsonFileStream final : public TJsonByteStream {
 public:
  explicit TJsonFileStream(std::filesystem::path path);

  bool IsOpen() const noexcept { return FFile.is_open(); }
  // Flushes and closes; false when some of the bytes did not reach the file.
  bool Close();

  std::int32_t Write(const void* data, std::int32_t count) override;
  void Truncate() override;
  std::int64_t Size() const noexcept override { return FSize; }

 private:
  std::filesystem::path FPath;
  std::ofstream FFile;
  std::int64_t FSize = 0;
};
