// A stand-in host for the client's tests: speaks frames and answers a few made-up methods,
// some of them wrongly on purpose.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tools/client/frame.h"
#include "tools/client/json_lite.h"

using namespace ferolant::client;

namespace {

constexpr std::size_t kBlock = 450000;
std::u16string pending;

bool ReadAll(char* out, std::size_t n) {
  while (n > 0) {
    const ssize_t r = ::read(0, out, n);
    if (r <= 0) return false;
    out += r, n -= static_cast<std::size_t>(r);
  }
  return true;
}

void WriteAll(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t w = ::write(1, bytes.data() + done, bytes.size() - done);
    if (w <= 0) _exit(3);
    done += static_cast<std::size_t>(w);
  }
}

void Send(const std::string& body) { WriteAll(EncodeFrameHeader(body.size()) + body); }

// Escapes everything outside printable ASCII, as the real host does.
std::string Quote(const std::u16string& t) {
  std::string out = "\"";
  for (const char16_t u : t) {
    if (u == '"' || u == '\\') {
      out += '\\', out += static_cast<char>(u);
    } else if (u >= 0x20 && u < 0x7F) {
      out += static_cast<char>(u);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(u));
      out += buf;
    }
  }
  return out + "\"";
}

void Envelope(const std::string& method, long long tab, int err, const std::u16string& data) {
  const std::u16string wideMethod(method.begin(), method.end());
  Send("{\"metoda\":" + Quote(wideMethod) + ",\"result\":{\"data\":" + Quote(data) +
       ",\"hasNextPart\":" + (pending.empty() ? "0" : "1") + "},\"errNo\":" + std::to_string(err) +
       ",\"tabID\":" + std::to_string(tab) + ",\"errMsg\":\"\"}");
}

void Reply(const std::string& method, long long tab, int err, std::u16string data) {
  pending = data.size() > kBlock ? data.substr(kBlock) : u"";
  if (data.size() > kBlock) data.resize(kBlock);
  Envelope(method, tab, err, data);
}

std::u16string Pattern(std::size_t n) {
  // Two-unit characters in the pattern make some block cuts fall inside a surrogate pair.
  static const std::u16string unit = u"Žluťoučký kůň 😀 ";
  std::u16string out;
  while (out.size() < n) out += unit;
  out.resize(n);
  return out;
}

}  // namespace

int main() {
  for (;;) {
    char header[4];
    if (!ReadAll(header, 4)) return 0;
    std::string body(DecodeFrameHeader(header), '\0');
    if (!ReadAll(body.data(), body.size())) return 0;
    const TJsonLiteResult parsed = ParseJsonLite(body);
    const TJsonLite* metoda = parsed.Value ? parsed.Value->Find(u"metoda") : nullptr;
    const TJsonLite* params = parsed.Value ? parsed.Value->Find(u"parametry") : nullptr;
    const TJsonLite* tabValue = parsed.Value ? parsed.Value->Find(u"tabID") : nullptr;
    if (!metoda || !params) {
      Reply("", 0, -31909, u"");
      continue;
    }
    const long long tab = tabValue ? tabValue->AsInt().value_or(0) : 0;
    const std::string method(metoda->Text.begin(), metoda->Text.end());
    const TJsonLite* p1 = params->Find(u"param1");
    const std::u16string param1 = p1 ? p1->Text : u"";
    if (method == "NATIVEVERSION") {
      Reply(method, tab, 0, u"2");
    } else if (method == "ECHO") {
      Reply(method, tab, 0, param1);
    } else if (method == "LONG") {
      Reply(method, tab, 0, Pattern(std::stoul(std::string(param1.begin(), param1.end()))));
    } else if (method == "GETNEXTBLOCK") {
      const std::u16string block = pending.substr(0, kBlock);
      pending.erase(0, block.size());
      Envelope(method, tab, 0, block);
    } else if (method == "HUGE") {
      Reply(method, tab, 0, std::u16string(200000, u'\u00e9'));
    } else if (method == "BOOLEAN") {
      Send(
          R"({"metoda":"BOOLEAN","result":{"data":"","hasNextPart":false},"errNo":0,"tabID":1,"errMsg":""})");
    } else if (method == "BROKEN") {
      Send("{not json");
    } else if (method == "CUT") {
      WriteAll(EncodeFrameHeader(100) + "{\"metoda\"");
      return 0;
    } else if (method == "EXIT") {
      return 5;
    } else if (method == "SILENT") {
      // Never answers, like a host stuck in a dialog.
    } else {
      Reply(method, tab, -31901, u"");
    }
  }
}
