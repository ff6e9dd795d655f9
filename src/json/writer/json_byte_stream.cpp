#include "json/writer/json_byte_stream.h"

#include <utility>

std::int32_t TJsonMemoryStream::Write(const void* data, std::int32_t count) {
  if (count <= 0) return 0;
  FBytes.append(static_cast<const char*>(data), static_cast<std::size_t>(count));
  return count;
}

TJsonFileStream::TJsonFileStream(std::filesystem::path path)
    : FPath(std::move(path)), FFile(FPath, std::ios::binary | std::ios::trunc) {}

std::int32_t TJsonFileStream::Write(const void* data, std::int32_t count) {
  if (count <= 0) return 0;
  if (!FFile.write(static_cast<const char*>(data), count)) return -1;
  FSize += count;
  return count;
}

void TJsonFileStream::Truncate() {
  // Reopening with trunc is the one portable way to cut an open file to 0.
  FFile.close();
  FFile.open(FPath, std::ios::binary | std::ios::trunc);
  FSize = 0;
}

bool TJsonFileStream::Close() {
  if (!FFile.is_open()) return false;
  FFile.close();
  return !FFile.fail();
}
