#include <gtest/gtest.h>

#include "platform/text_codec.h"

namespace tarnwell::platform {
namespace {

// UTF-16LE bytes of code units.
std::string Utf16(std::initializer_list<uint16_t> units) {
  std::string out;
  for (uint16_t u : units) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out;
}

std::string FromUtf16(const std::string& bytes) {
  return Utf16LeToSystem(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(TextCodec, ChineseNamesUseGbkBytesAndRoundTrip) {
  EXPECT_EQ(Utf8ToSystem("中文"), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(SystemText("无名称"), "\xCE\xDE\xC3\xFB\xB3\xC6");
  const struct {
    std::string utf8;
    std::string utf16;
  } cases[] = {
      {"报告 2024.txt", Utf16({0x62A5, 0x544A, ' ', '2', '0', '2', '4', '.', 't', 'x', 't'})},
      {"已删除的文件", Utf16({0x5DF2, 0x5220, 0x9664, 0x7684, 0x6587, 0x4EF6})},
      {"plain.txt", Utf16({'p', 'l', 'a', 'i', 'n', '.', 't', 'x', 't'})},
      {"", ""},
  };
  for (const auto& c : cases) {
    const std::string system = FromUtf16(c.utf16);
    EXPECT_EQ(system, Utf8ToSystem(c.utf8)) << c.utf8;
    EXPECT_EQ(SystemToUtf8(system), c.utf8);
    EXPECT_EQ(SystemToUtf16Le(system), c.utf16) << c.utf8;
  }
}

// Names that code page 936 cannot hold: an extension-B ideograph, an emoji,
// the euro sign. GB18030 holds them all, so nothing turns into '?'.
TEST(TextCodec, CharactersOutsideGbkSurviveEveryConversion) {
  const std::string utf16 = Utf16({0xD840, 0xDC00, 'a', 0xD83D, 0xDE00, 0x20AC, 0x4E2D});
  const std::string utf8 = "\xF0\xA0\x80\x80" "a" "\xF0\x9F\x98\x80" "\xE2\x82\xAC" "中";
  const std::string system = FromUtf16(utf16);
  // U+20000 is the four-byte GB18030 sequence 95 32 82 36.
  EXPECT_EQ(system.substr(0, 4), "\x95\x32\x82\x36");
  EXPECT_EQ(SystemToUtf8(system), utf8);
  EXPECT_EQ(Utf8ToSystem(utf8), system);
  EXPECT_EQ(SystemToUtf16Le(system), utf16);
  EXPECT_EQ(system.find('?'), std::string::npos);
}

TEST(TextCodec, UnpairedSurrogatesBecomeQuestionMarks) {
  const struct {
    const char* what;
    std::string utf16;
    std::string system;
  } cases[] = {
      {"high then letter", Utf16({'x', 0xD800, 'A', 'y'}), "x?Ay"},
      {"lone low", Utf16({0xDC00, 'b'}), "?b"},
      {"high at the end", Utf16({0x4E2D, 0xD83D}), "\xD6\xD0?"},
      {"two lows", Utf16({0xDE00, 0xDE00}), "??"},
      {"odd trailing byte dropped", Utf16({'o', 'k'}) + "\x41", "ok"},
  };
  for (const auto& c : cases) EXPECT_EQ(FromUtf16(c.utf16), c.system) << c.what;
}

// Text that is not UTF-8 is taken to be in the system code page already,
// so a GBK name from a terminal in that locale passes through untouched.
TEST(TextCodec, InvalidUtf8PassesThroughUnchanged) {
  for (std::string bytes : {std::string("\xD6\xD0\xCE\xC4"), std::string("\xFF\xFE" "abc"),
                            std::string("ok\xC3"), std::string("\xED\xA0\x80")})
    EXPECT_EQ(Utf8ToSystem(bytes), bytes);
}

TEST(TextCodec, InvalidSystemBytesBecomeReplacementCharacters) {
  EXPECT_EQ(SystemToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(SystemToUtf8("\xD6\xD0\x81"), "中\xEF\xBF\xBD");
}

// Longer than the converter's internal buffer, in every direction.
TEST(TextCodec, LongTextsConvertWhole) {
  std::string utf8;
  for (int i = 0; i < 1500; ++i) utf8 += (i % 7 == 0) ? "\xF0\x9F\x98\x80" : "文";
  const std::string system = Utf8ToSystem(utf8);
  EXPECT_EQ(SystemToUtf8(system), utf8);
  const std::string utf16 = SystemToUtf16Le(system);
  EXPECT_EQ(FromUtf16(utf16), system);
}

}  // namespace
}  // namespace tarnwell::platform
