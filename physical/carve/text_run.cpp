#include "physical/carve/text_run.h"

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "physical/carve/carve_reader.h"
#include "physical/carve/signature_table.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

// Printable ASCII, tab, line feed, form feed and carriage return.
inline bool PlainByte(uint8_t b) { return (b >= 0x20 && b < 0x7F) || b == '\t' || b == '\n' || b == '\r' || b == '\f'; }

const bool kHasAvx2 = text_detail::ProcessorHasAvx2();

// How many of the n bytes at p, from the start, are plain ASCII text
// (printable, tab, line feed, carriage return), sixteen at a time: the
// bulk of any text file. The rest goes byte by byte.
inline size_t PlainRun(const uint8_t* p, size_t n) {
  // Sixty-four printable bytes at a time first, the common case.
  size_t k = text_detail::PrintableBlocks(p, n, kHasAvx2);
  const auto printable = [&](size_t at) {
    return text_detail::PrintableBytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)));
  };
  for (; k + 16 <= n; k += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
    __m128i ok = printable(k);
    ok = _mm_or_si128(ok, _mm_cmpeq_epi8(v, _mm_set1_epi8('\n')));
    ok = _mm_or_si128(ok, _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
    ok = _mm_or_si128(ok, _mm_cmpeq_epi8(v, _mm_set1_epi8('\t')));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(ok));
    if (mask != 0xFFFF) return k + static_cast<size_t>(__builtin_ctz(~mask));
  }
  while (k < n && PlainByte(p[k])) ++k;
  return k;
}

// Bytes that end text in whatever state either decoder is in: NUL and the
// control characters other than white space, DEL, and FF.
constexpr std::array<bool, 256> MakeKills() {
  std::array<bool, 256> kills{};
  for (int b = 0; b < 0x20; ++b) kills[b] = b != '\t' && b != '\n' && b != '\r' && b != '\f';
  kills[0x7F] = kills[0xFF] = true;
  return kills;
}
constexpr std::array<bool, 256> kKills = MakeKills();

// text in lower case, against the first bytes in any case.
bool StartsWith(const uint8_t* p, size_t n, const char* text) {
  const size_t k = std::strlen(text);
  if (n < k) return false;
  for (size_t i = 0; i < k; ++i) {
    const uint8_t c = p[i] >= 'A' && p[i] <= 'Z' ? static_cast<uint8_t>(p[i] | 0x20) : p[i];
    if (c != static_cast<uint8_t>(text[i])) return false;
  }
  return true;
}

}  // namespace

void TextFollower::Reset() {
  fed_ = 0;
  utf8_ = {};
  gb_ = {};
}

void TextFollower::FeedUtf8(uint8_t b) {
  Decoder& d = utf8_;
  if (d.state > 0) {
    if (b < d.low || b > d.high) {
      d.alive = false;
      return;
    }
    d.low = 0x80;
    d.high = 0xBF;
    if (--d.state == 0) d.charEnd = fed_ + 1;
    return;
  }
  if (PlainByte(b)) {
    d.charEnd = fed_ + 1;
  } else if (b >= 0xC2 && b <= 0xDF) {
    d.state = 1;
  } else if (b >= 0xE0 && b <= 0xEF) {
    // No overlong forms (E0 80-9F) and no surrogates (ED A0-BF).
    d.state = 2;
    d.low = b == 0xE0 ? 0xA0 : 0x80;
    d.high = b == 0xED ? 0x9F : 0xBF;
  } else if (b >= 0xF0 && b <= 0xF4) {
    d.state = 3;
    d.low = b == 0xF0 ? 0x90 : 0x80;
    d.high = b == 0xF4 ? 0x8F : 0xBF;
  } else {
    d.alive = false;
  }
}

void TextFollower::FeedGb(uint8_t b) {
  // GB18030: one byte (ASCII), two (81-FE, then 40-7E or 80-FE) or four
  // (81-FE, 30-39, 81-FE, 30-39).
  Decoder& d = gb_;
  switch (d.state) {
    case 0:
      if (PlainByte(b)) {
        d.charEnd = fed_ + 1;
      } else if (b >= 0x81 && b <= 0xFE) {
        d.state = 1;
      } else {
        d.alive = false;
      }
      return;
    case 1:
      if (b >= 0x30 && b <= 0x39) {
        d.state = 2;
      } else if ((b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE)) {
        d.state = 0;
        d.charEnd = fed_ + 1;
      } else {
        d.alive = false;
      }
      return;
    case 2:
      if (b >= 0x81 && b <= 0xFE) {
        d.state = 3;
      } else {
        d.alive = false;
      }
      return;
    default:
      if (b >= 0x30 && b <= 0x39) {
        d.state = 0;
        d.charEnd = fed_ + 1;
      } else {
        d.alive = false;
      }
  }
}

size_t TextFollower::Feed(const uint8_t* p, size_t n) {
  const uint64_t start = fed_;
  size_t i = 0;
  while (i < n && Alive()) {
    // Runs of plain ASCII while neither decoder is inside a character.
    if ((!utf8_.alive || utf8_.state == 0) && (!gb_.alive || gb_.state == 0)) {
      const size_t k = i + PlainRun(p + i, n - i);
      if (k > i) {
        fed_ += k - i;
        if (utf8_.alive) utf8_.charEnd = fed_;
        if (gb_.alive) gb_.charEnd = fed_;
        i = k;
        if (i == n) break;
      }
    }
    const uint8_t b = p[i];
    if (utf8_.alive) FeedUtf8(b);
    if (gb_.alive) FeedGb(b);
    ++fed_;
    ++i;
  }
  if (Alive()) return n;
  const uint64_t end = std::max(utf8_.charEnd, gb_.charEnd);
  return end > start ? static_cast<size_t>(end - start) : 0;
}

namespace {

// Half the instructions of the SSE2 loop below: text is half of a full
// disk's bytes, and this loop is where the signature scan spends the most
// of its own time on it.
__attribute__((target("avx2"))) size_t PrintableBlocksAvx2(const uint8_t* p, size_t n) {
  const __m256i shift = _mm256_set1_epi8(0x60);
  const __m256i limit = _mm256_set1_epi8(-33);
  size_t k = 0;
  for (; k + 64 <= n; k += 64) {
    // (No lambda here: it would not inherit this function's target.)
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + k));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + k + 32));
    const __m256i ok = _mm256_and_si256(_mm256_cmpgt_epi8(limit, _mm256_add_epi8(a, shift)),
                                        _mm256_cmpgt_epi8(limit, _mm256_add_epi8(b, shift)));
    if (_mm256_movemask_epi8(ok) != -1) break;
  }
  return k;
}

}  // namespace

bool text_detail::ProcessorHasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

size_t text_detail::PrintableBlocks(const uint8_t* p, size_t n, bool avx2) {
  if (avx2) return PrintableBlocksAvx2(p, n);
  const auto printable = [&](size_t at) {
    return PrintableBytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)));
  };
  size_t k = 0;
  for (; k + 64 <= n; k += 64) {
    const __m128i all = _mm_and_si128(_mm_and_si128(printable(k), printable(k + 16)),
                                      _mm_and_si128(printable(k + 32), printable(k + 48)));
    if (_mm_movemask_epi8(all) != 0xFFFF) break;
  }
  return k;
}

bool text_detail::CannotBeginTextSlowly(const uint8_t* p, size_t n) {
  const size_t k = std::min<size_t>(n, kShortestText);
  for (size_t i = 0; i < k; ++i)
    if (kKills[p[i]]) return true;
  return false;
}

bool PlausibleShortText(const uint8_t* p, size_t n, size_t blockBytes) {
  if (n < kShortestText) return false;
  bool zeroed = true;
  for (size_t i = n; i < blockBytes && zeroed; ++i) zeroed = p[i] == 0;
  if (zeroed) return true;
  size_t plain = 0;
  for (size_t i = 0; i < n; ++i) plain += PlainByte(p[i]) ? 1 : 0;
  return plain * 10 >= n * 9;
}

const char* TextExtension(const uint8_t* p, size_t n) {
  // Every kind but plain text shows itself in the first few lines.
  n = std::min<size_t>(n, 256);
  if (n == 0) return "txt";
  if (p[0] == '#' && StartsWith(p, n, "#!")) {
    const size_t line = std::min<size_t>(n, 128);
    for (size_t i = 2; i + 6 <= line && p[i] != '\n'; ++i)
      if (std::memcmp(p + i, "python", 6) == 0) return "py";
    return "sh";
  }
  if (p[0] == '<') {
    if (StartsWith(p, n, "<?xml")) return "xml";
    if (StartsWith(p, n, "<!doctype html") || StartsWith(p, n, "<html")) return "html";
  }
  if (p[0] == '{' || p[0] == '[') return "json";
  if (!std::memchr(p, '\n', n)) return "txt";
  // Comma-separated values: the first lines hold the same number of
  // commas, at least one, and (unlike prose) few of them followed by a
  // blank.
  int lines = 0, firstCommas = -1, commas = 0, blanks = 0;
  for (size_t i = 0; i < n && lines < 4; ++i) {
    if (p[i] == ',') ++commas;
    if (p[i] == ',' && i + 1 < n && p[i + 1] == ' ') ++blanks;
    if (p[i] != '\n') continue;
    if (firstCommas < 0) firstCommas = commas;
    if (commas == 0 || commas != firstCommas || blanks * 2 > commas) return "txt";
    commas = blanks = 0;
    ++lines;
  }
  return lines >= 3 ? "csv" : "txt";
}

WalkResult WalkText(CarveReader& in) {
  TextFollower text;
  text.Reset();
  uint64_t pos = 0;
  for (;;) {
    const std::span<const uint8_t> piece = in.View(pos, 1 << 16);
    if (piece.empty()) break;
    const size_t taken = text.Feed(piece.data(), piece.size());
    pos += taken;
    if (taken < piece.size()) break;
  }
  uint8_t head[512] = {};
  const size_t block = static_cast<size_t>(std::min<uint64_t>({in.BlockBytes(), sizeof head, in.Limit()}));
  if (pos < kShortestText || in.Peek(0, head, block) < block) return NotFound();
  if (pos < block && !PlausibleShortText(head, static_cast<size_t>(pos), block)) return NotFound();
  const size_t n = static_cast<size_t>(std::min<uint64_t>(pos, sizeof head));
  return Complete(pos, TextExtension(head, n));
}

}  // namespace tarnwell::physical::carve
