#pragma once
// Plain text as the signature scan follows it: printable ASCII and the
// usual white space, UTF-8 or GB18030 (the system code page) for anything
// else, up to the first NUL, control character or byte sequence that
// neither encoding allows. Both encodings are followed side by side, so a
// file is text as long as one of them accepts it. Nothing here allocates:
// the scan runs it over mapped bytes.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

namespace tarnwell::physical::carve {

// Shortest run of text that counts as a file: shorter runs of printable
// bytes are found in any binary data.
inline constexpr uint64_t kShortestText = 32;

class TextFollower {
 public:
  // Starts afresh (no byte seen).
  void Reset();
  bool Alive() const { return utf8_.alive || gb_.alive; }
  // Follows n more bytes. Returns how many of them belong to the text: n
  // while it goes on (even when a multi-byte character is still open at
  // the end), fewer once it has ended (at the end of the last whole
  // character), after which it stays ended until Reset.
  size_t Feed(const uint8_t* p, size_t n);

 private:
  struct Decoder {
    bool alive = true;
    uint8_t state = 0;       // bytes still expected of the current character
    uint8_t low = 0x80, high = 0xBF;  // range of the next byte (UTF-8)
    uint64_t charEnd = 0;    // where the last whole character ended
  };
  void FeedUtf8(uint8_t b);
  void FeedGb(uint8_t b);
  uint64_t fed_ = 0;
  Decoder utf8_, gb_;
};

namespace text_detail {
bool CannotBeginTextSlowly(const uint8_t* p, size_t n);
// How many whole blocks of 64 bytes from p on hold only printable ASCII,
// in bytes; with AVX2 (only where the processor has it) or SSE2.
size_t PrintableBlocks(const uint8_t* p, size_t n, bool avx2);
// Whether this processor runs AVX2 (asked once, at start-up, by the scan).
bool ProcessorHasAvx2();
// Of 16 bytes, those that are printable ASCII (0x20-0x7E): b + 0x60 lies
// below -33 as a signed byte exactly then.
inline __m128i PrintableBytes(__m128i v) {
  return _mm_cmplt_epi8(_mm_add_epi8(v, _mm_set1_epi8(0x60)), _mm_set1_epi8(-33));
}
// The bytes of 16 that no text holds: C0 controls but tab, line feed,
// form feed and carriage return; DEL; 0xFF.
inline unsigned KillMask(__m128i v) {
  const __m128i printable = PrintableBytes(v);
  const __m128i high = _mm_andnot_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(-1)), _mm_cmplt_epi8(v, _mm_setzero_si128()));
  __m128i ok = _mm_or_si128(printable, high);
  ok = _mm_or_si128(ok, _mm_cmpeq_epi8(v, _mm_set1_epi8('\t')));
  ok = _mm_or_si128(ok, _mm_cmpeq_epi8(v, _mm_set1_epi8('\n')));
  ok = _mm_or_si128(ok, _mm_cmpeq_epi8(v, _mm_set1_epi8('\f')));
  ok = _mm_or_si128(ok, _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
  return ~static_cast<unsigned>(_mm_movemask_epi8(ok)) & 0xFFFF;
}
}  // namespace text_detail

// True when a byte among the first kShortestText ends any text (NUL, a
// control character other than white space, DEL, 0xFF): no file of text
// begins there. Most blocks of other data are told apart by this alone.
// Tested on every block the scan looks at, so inline, sixteen bytes at a
// time.
inline bool CannotBeginText(const uint8_t* p, size_t n) {
  static_assert(kShortestText == 32);
  if (n < kShortestText) return text_detail::CannotBeginTextSlowly(p, n);
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
  return (text_detail::KillMask(a) | text_detail::KillMask(b)) != 0;
}

// Whether a run of text that ends inside its first block (n text bytes of
// a block of blockBytes at p) is a file rather than chance: GB18030 lets
// four bytes in five of random data through, so such a run needs the rest
// of its block zeroed (the slack after a file on fresh media) or nine in
// ten of its bytes plain ASCII.
bool PlausibleShortText(const uint8_t* p, size_t n, size_t blockBytes);

// What kind of text the first bytes of a run show, as an extension: a
// script, XML, HTML, JSON, comma-separated values, or plain text.
const char* TextExtension(const uint8_t* p, size_t n);

}  // namespace tarnwell::physical::carve
