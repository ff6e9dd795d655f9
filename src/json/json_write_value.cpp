// Serialisation entry points of a value. Interim bodies: every one reports
// failure until the serialiser lands.
#include "json/jsonvalue.h"

std::int32_t TJsonValue::WriteJson(TJsonWriter& /*writer*/, bool /*indent*/,
                                   bool /*escapeNonAscii*/, std::int32_t /*level*/) {
  return -1;
}

std::u16string TJsonValue::ToJsonText(bool /*indent*/, bool /*escapeNonAscii*/) { return {}; }

std::int32_t TJsonValue::WriteToStream(TJsonByteStream& /*stream*/, bool /*indent*/,
                                       bool /*escapeNonAscii*/) {
  return 0;
}

std::int32_t TJsonValue::WriteToFile(std::u16string_view /*fileName*/, bool /*indent*/,
                                     bool /*escapeNonAscii*/) {
  return 0;
}

std::int32_t TJsonValue::WriteToSocket(TJsonSocketHandle /*socket*/, bool /*indent*/,
                                       bool /*escapeNonAscii*/) {
  return 0;
}

std::int32_t TJsonValue::MeasureJson(bool /*indent*/, bool /*escapeNonAscii*/) { return 0; }
