#include "tools/client/report.h"

#include "tools/client/text.h"

namespace ferolant::client {
namespace {

std::string Quoted(const std::u16string& text) { return "\"" + Utf16ToDisplay(text) + "\""; }

std::string IntOrMissing(const std::optional<std::int64_t>& v) {
  return v ? std::to_string(*v) : "(missing)";
}

void PrintReply(std::ostream& out, const char* label, std::size_t index, const Reply& r,
                const ReportOptions& options) {
  out << "<<< " << label << ' ' << index << " (" << r.body.size() << " bytes)";
  if (r.parsed) {
    out << ": metoda " << Quoted(r.metoda) << ", tabID " << IntOrMissing(r.tab_id) << ", errNo "
        << IntOrMissing(r.err_no) << ", errMsg " << Quoted(r.err_msg) << ", hasNextPart "
        << IntOrMissing(r.has_next_part) << ", data " << r.data.size() << " code units";
  }
  out << '\n';
  if (options.raw) out << "    body: " << Shorten(r.body, options.show) << '\n';
  for (const std::string& p : r.problems) out << "    PROBLEM: " << p << '\n';
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

void PrintExchange(std::ostream& out, std::size_t number, const Exchange& ex,
                   const ReportOptions& options) {
  out << ">>> request " << number << " (" << ex.request.size()
      << " bytes): " << Shorten(ex.request, options.show) << '\n';
  for (std::size_t i = 0; i < ex.replies.size(); ++i) {
    if (i > 0) out << ">>> GETNEXTBLOCK\n";
    PrintReply(out, i == 0 ? "reply" : "block", i + 1, ex.replies[i], options);
  }
  if (!ex.replies.empty()) {
    if (ex.replies.size() > 1) {
      out << "    data reassembled from " << ex.replies.size() << " replies: " << ex.data.size()
          << " code units\n";
    }
    if (!ex.data.empty()) {
      out << "    data: " << Shorten(Utf16ToDisplay(ex.data), options.show) << '\n';
    }
  }
  if (!ex.ok()) out << "    FAILED: " << ex.failure << '\n';
}

}  // namespace ferolant::client
