#include "tools/client/report.h"

#include "tools/client/text.h"

namespace ferolant::client {
namespace {

std::string Quoted(const std::u16string& text) { return "\"" + Utf16ToDisplay(text) + "\""; }

std::string IntOrMissing(const std::optional<std::int64_t>& v) {
  return v ? std::to_string(*v) : "(missing)";
}

void PrintReply(std::ostream& out, const char* label, std::size_t index, const TReply& r,
                const TReportOptions& options) {
  out << "<<< " << label << ' ' << index << " (" << r.Body.size() << " bytes)";
  if (r.Parsed) {
    out << ": metoda " << Quoted(r.Metoda) << ", tabID " << IntOrMissing(r.TabId) << ", errNo "
        << IntOrMissing(r.ErrNo) << ", errMsg " << Quoted(r.ErrMsg) << ", hasNextPart "
        << IntOrMissing(r.HasNextPart) << ", data " << r.Data.size() << " code units";
  }
  out << '\n';
  if (options.Raw) out << "    body: " << Shorten(r.Body, options.Show) << '\n';
  for (const std::string& p : r.Problems) out << "    PROBLEM: " << p << '\n';
}

}  // namespace

std::string Shorten(const std::string& text, std::size_t show) {
  if (show == 0 || text.size() <= show) return text;
  std::size_t cut = show;
  // Cut between UTF-8 sequences, never inside one.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut) + "... (" + std::to_string(text.size() - cut) +
         " more bytes; --show 0 shows all)";
}

void PrintExchange(std::ostream& out, std::size_t number, const TExchange& ex,
                   const TReportOptions& options) {
  out << ">>> request " << number << " (" << ex.Request.size()
      << " bytes): " << Shorten(ex.Request, options.Show) << '\n';
  for (std::size_t i = 0; i < ex.Replies.size(); ++i) {
    if (i > 0) out << ">>> GETNEXTBLOCK\n";
    PrintReply(out, i == 0 ? "reply" : "block", i + 1, ex.Replies[i], options);
  }
  if (!ex.Replies.empty()) {
    if (ex.Replies.size() > 1) {
      out << "    data reassembled from " << ex.Replies.size() << " replies: " << ex.Data.size()
          << " code units\n";
    }
    if (!ex.Data.empty()) {
      out << "    data: " << Shorten(Utf16ToDisplay(ex.Data), options.Show) << '\n';
    }
  }
  if (!ex.Succeeded()) out << "    FAILED: " << ex.Failure << '\n';
}

}  // namespace ferolant::client
