// PDF: the file ends at the "%%EOF" after the last update whose
// "startxref" points at a cross-reference section (or stream) that holds
// up: sampled entries of a table must point at "N G obj", a stream must
// be a /XRef object whose data inflates to its end. Updates appended
// after an "%%EOF" (and linearised files' first section) are followed on.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "physical/carve/inflate_check.h"
#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

// A damaged file is searched for its end no further than this past its
// last "endobj".
constexpr uint64_t kSearchPastObjects = uint64_t{64} << 20;
constexpr int kSampledEntries = 32;  // of each subsection of a table
constexpr int kMaxSubsections = 4096;

bool Blank(uint8_t c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\f' || c == 0; }

// "N G obj" at the start of text.
bool ObjectHeader(std::string_view t) {
  size_t i = 0;
  const auto digits = [&] {
    const size_t from = i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    return i > from;
  };
  const auto blanks = [&] {
    const size_t from = i;
    while (i < t.size() && Blank(static_cast<uint8_t>(t[i]))) ++i;
    return i > from;
  };
  return digits() && blanks() && digits() && blanks() && t.substr(i, 3) == "obj";
}

std::string Text(CarveReader& in, uint64_t at, size_t size) {
  std::string t(size, '\0');
  t.resize(in.Peek(at, reinterpret_cast<uint8_t*>(t.data()), size));
  return t;
}

class PdfWalk {
 public:
  explicit PdfWalk(CarveReader& in) : in_(in) {}
  WalkResult Run();

 private:
  bool XrefHoldsUp(uint64_t at, uint64_t before);
  bool TableHoldsUp(uint64_t at, uint64_t before);
  bool StreamHoldsUp(uint64_t at);
  bool ValidEnd(uint64_t eof, uint64_t& end);

  CarveReader& in_;
};

bool PdfWalk::TableHoldsUp(uint64_t at, uint64_t before) {
  // "xref", then subsections "first count" of 20-byte entries
  // "oooooooooo ggggg n" + two bytes of line end, up to "trailer". A
  // sample of the entries in use must point at their objects.
  uint64_t pos = at + 4;
  for (int subsection = 0; subsection < kMaxSubsections; ++subsection) {
    const std::string t = Text(in_, pos, 64);
    size_t i = 0;
    while (i < t.size() && Blank(static_cast<uint8_t>(t[i]))) ++i;
    if (t.compare(i, 7, "trailer") == 0) return subsection > 0;
    size_t j = i;
    while (j < t.size() && std::isdigit(static_cast<unsigned char>(t[j]))) ++j;
    if (j == i || j >= t.size()) return false;
    while (j < t.size() && t[j] == ' ') ++j;
    size_t k = j;
    while (k < t.size() && std::isdigit(static_cast<unsigned char>(t[k]))) ++k;
    if (k == j || k - j > 10) return false;
    const uint64_t count = std::stoull(t.substr(j, k - j));
    while (k < t.size() && Blank(static_cast<uint8_t>(t[k]))) ++k;
    const uint64_t entries = pos + k;
    if (!in_.Has(entries, count * 20) || entries + count * 20 > before) return false;
    const uint64_t step = std::max<uint64_t>(1, count / kSampledEntries);
    for (uint64_t e = 0; e < count; e += step) {
      const std::string entry = Text(in_, entries + e * 20, 20);
      if (entry.size() < 18 || entry[10] != ' ' || entry[16] != ' ') return false;
      if (entry[17] != 'n') continue;
      const uint64_t offset = std::strtoull(entry.substr(0, 10).c_str(), nullptr, 10);
      if (offset >= before || !ObjectHeader(Text(in_, offset, 32))) return false;
    }
    pos = entries + count * 20;
  }
  return false;
}

bool PdfWalk::StreamHoldsUp(uint64_t at) {
  const std::string t = Text(in_, at, 4096);
  const size_t dict = t.find("<<");
  const size_t stream = t.find("stream");
  if (dict == std::string::npos || stream == std::string::npos || stream < dict) return false;
  const std::string_view d(t.data() + dict, stream - dict);
  if (d.find("/XRef") == std::string_view::npos) return false;
  uint64_t data = at + stream + 6;
  uint8_t eol[2] = {};
  in_.Peek(data, eol, 2);
  data += eol[0] == '\r' && eol[1] == '\n' ? 2 : 1;
  if (d.find("/FlateDecode") == std::string_view::npos) return true;
  const InflateOutcome out = InflateAt(in_, data, in_.Limit() - std::min(in_.Limit(), data), DeflateWrapping::kZlib,
                                       uint64_t{64} << 20);
  return out.ended;
}

bool PdfWalk::XrefHoldsUp(uint64_t at, uint64_t before) {
  if (at < 8 || at >= before) return false;
  const std::string head = Text(in_, at, 32);
  if (head.starts_with("xref")) return TableHoldsUp(at, before);
  return ObjectHeader(head) && StreamHoldsUp(at);
}

// The %%EOF at eof closes an update when "startxref N" stands before it
// and N holds up. end: after it and its line end.
bool PdfWalk::ValidEnd(uint64_t eof, uint64_t& end) {
  const uint64_t from = eof > 1024 ? eof - 1024 : 0;
  const std::string before = Text(in_, from, static_cast<size_t>(eof - from));
  const size_t s = before.rfind("startxref");
  if (s == std::string::npos) return false;
  size_t i = s + 9;
  while (i < before.size() && Blank(static_cast<uint8_t>(before[i]))) ++i;
  size_t j = i;
  while (j < before.size() && std::isdigit(static_cast<unsigned char>(before[j]))) ++j;
  if (j == i || j - i > 12) return false;
  if (!XrefHoldsUp(std::stoull(before.substr(i, j - i)), from + s)) return false;
  uint8_t eol[2] = {};
  const size_t n = in_.Peek(eof + 5, eol, 2);
  end = eof + 5 + (n >= 1 && eol[0] == '\r' ? (n == 2 && eol[1] == '\n' ? 2 : 1) : (n >= 1 && eol[0] == '\n' ? 1 : 0));
  return true;
}

WalkResult PdfWalk::Run() {
  uint64_t pos = 0, lastObject = 0, lastEnd = 0;
  constexpr std::string_view kEof = "%%EOF", kEndobj = "endobj";
  std::vector<uint64_t> ends;
  for (;;) {
    if (pos > std::max(lastObject, lastEnd) + kSearchPastObjects) break;
    const std::span<const uint8_t> piece = in_.View(pos, 1 << 20, 1 << 16);
    if (piece.size() < kEndobj.size()) break;
    // Markers wholly inside this piece, gathered before anything is
    // checked (a check may read elsewhere and replace the piece); the last
    // few bytes are looked at again with the next piece.
    const std::string_view text(reinterpret_cast<const char*>(piece.data()), piece.size());
    size_t usable = piece.size() - kEndobj.size() + 1;
    // Another PDF beginning on a block boundary ends the search: this
    // one broke off before it (and a disk of PDF headers costs one piece
    // each, not a search to the end).
    bool another = false;
    for (size_t h = text.find("%PDF-", pos ? 0 : 1); h != std::string_view::npos && h < usable;
         h = text.find("%PDF-", h + 1)) {
      if ((pos + h) % in_.BlockBytes() != 0) continue;
      usable = h;
      another = true;
      break;
    }
    for (size_t e = text.find(kEndobj); e != std::string_view::npos && e < usable; e = text.find(kEndobj, e + 1))
      lastObject = pos + e + kEndobj.size();
    ends.clear();
    for (size_t f = text.find(kEof); f != std::string_view::npos && f < usable; f = text.find(kEof, f + 1))
      ends.push_back(pos + f);
    for (const uint64_t at : ends) {
      uint64_t end = 0;
      if (!ValidEnd(at, end)) continue;
      lastEnd = end;
      // An update may follow: objects, a table or a comment.
      const std::string after = Text(in_, end, 64);
      size_t k = 0;
      while (k < after.size() && (after[k] == ' ' || after[k] == '\r' || after[k] == '\n' || after[k] == '\t')) ++k;
      const std::string_view rest(after.data() + k, after.size() - k);
      if (rest.empty() || !(ObjectHeader(rest) || rest.starts_with("xref") || rest.starts_with("%"))) return Complete(end);
    }
    if (another) break;
    pos += usable;
  }
  // An update began after the last sound end and broke off, or no end
  // held up at all.
  const uint64_t validated = std::max(lastEnd, lastObject);
  return validated ? Damaged(validated) : NotFound();
}

}  // namespace

WalkResult WalkPdf(CarveReader& in) {
  PdfWalk walk(in);
  return walk.Run();
}

}  // namespace tarnwell::physical::carve
