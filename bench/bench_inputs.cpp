#include "bench/bench_inputs.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace bench {

namespace {

// A small linear congruential generator: the same inputs on every machine.
class TRandom {
 public:
  std::uint32_t Next() noexcept {
    FState = FState * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(FState >> 33);
  }
  std::uint32_t Below(std::uint32_t n) noexcept { return Next() % n; }

 private:
  std::uint64_t FState = 0x5eed;
};

constexpr std::array<std::string_view, 16> kEnglishWords = {
    "the",     "contract", "between", "parties", "shall",  "remain", "valid",   "until",
    "signed,", "amount",   "payable", "within",  "thirty", "days.",  "invoice", "number"};

constexpr std::array<std::string_view, 16> kCzechWords = {
    "Příliš",   "žluťoučký", "kůň",       "úpěl", "ďábelské", "ódy.",   "smlouva", "mezi",
    "stranami", "nabývá",    "účinnosti", "dnem", "podpisu,", "částka", "činí",    "korun."};

template <std::size_t N>
std::string Prose(std::size_t size, const std::array<std::string_view, N>& words) {
  TRandom random;
  std::string text;
  text.reserve(size + 32);
  int wordsOnLine = 0;
  while (text.size() < size) {
    text += words[random.Below(N)];
    if (++wordsOnLine == 12) {
      text += "\\n";
      wordsOnLine = 0;
    } else {
      text += ' ';
    }
  }
  return text;
}

}  // namespace

std::string AsciiProse(std::size_t size) { return Prose(size, kEnglishWords); }
std::string CzechProse(std::size_t size) { return Prose(size, kCzechWords); }

std::string SignRequest(const std::string& text) {
  return R"({"metoda":"SIGNDETACHED","parametry":{"param1":")" + text +
         R"(","param2":"0"},"tabID":12})";
}

namespace {

void AppendNumber(std::string& out, TRandom& random) {
  const std::uint32_t pick = random.Below(3);
  if (pick == 0) {
    out += std::to_string(random.Below(100000));
  } else if (pick == 1) {
    out += '-';
    out += std::to_string(random.Below(1000));
  } else {
    out += std::to_string(random.Below(10000));
    out += '.';
    out += std::to_string(10 + random.Below(90));
  }
}

void AppendRecord(std::string& out, TRandom& random, int depth) {
  static constexpr std::array<std::string_view, 8> kNames = {"id",   "name", "price", "qty",
                                                             "tags", "ok",   "rate",  "ref"};
  out += '{';
  const std::uint32_t members = 3 + random.Below(5);
  for (std::uint32_t m = 0; m < members; ++m) {
    if (m) out += ',';
    out += '"';
    out += kNames[(m + random.Below(2)) % kNames.size()];
    out += std::to_string(m);
    out += "\":";
    const std::uint32_t kind = random.Below(depth < 3 ? 6 : 4);
    if (kind == 0) {
      out += "\"v";
      out += std::to_string(random.Below(1000));
      out += '"';
    } else if (kind == 1) {
      out += random.Below(2) ? "true" : "false";
    } else if (kind <= 3) {
      AppendNumber(out, random);
    } else if (kind == 4) {
      out += '[';
      const std::uint32_t items = 1 + random.Below(4);
      for (std::uint32_t i = 0; i < items; ++i) {
        if (i) out += ',';
        AppendNumber(out, random);
      }
      out += ']';
    } else {
      AppendRecord(out, random, depth + 1);
    }
  }
  out += '}';
}

}  // namespace

std::string ObjectHeavyDocument(std::size_t size) {
  TRandom random;
  std::string out = R"({"items":[)";
  bool first = true;
  while (out.size() < size) {
    if (!first) out += ',';
    first = false;
    AppendRecord(out, random, 0);
  }
  out += "]}";
  return out;
}

std::u16string AsciiData(std::size_t units) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  TRandom random;
  std::u16string data(units, u'A');
  for (char16_t& unit : data) unit = static_cast<char16_t>(kAlphabet[random.Below(64)]);
  return data;
}

std::u16string CzechData(std::size_t units) {
  static constexpr std::u16string_view kWords[] = {
      u"Příliš ", u"žluťoučký ", u"kůň ",  u"úpěl ", u"ďábelské ",
      u"ódy. ",   u"částka ",    u"činí ", u"€ ",    u"smlouva\n"};
  TRandom random;
  std::u16string data;
  data.reserve(units + 16);
  while (data.size() < units) data += kWords[random.Below(10)];
  data.resize(units);
  return data;
}

}  // namespace bench
