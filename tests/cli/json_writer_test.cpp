// The streaming JSON-lines writer: every line parses whatever bytes the
// strings hold, and what was valid comes back unchanged.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "cli/json_writer.h"

namespace tarnwell::cli {
namespace {

// The string as one JSON line, parsed back.
std::string RoundTrip(const std::string& text) {
  JsonWriter out;
  out.String(text).EndLine();
  EXPECT_EQ(out.Text().back(), '\n');
  return nlohmann::json::parse(out.Text()).get<std::string>();
}

std::vector<nlohmann::json> Lines(const std::string& text) {
  std::vector<nlohmann::json> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(nlohmann::json::parse(line));
  return lines;
}

TEST(JsonWriterTest, EscapesQuotesBackslashesAndControlCharacters) {
  std::string all;
  for (int c = 0; c < 0x80; ++c) all += static_cast<char>(c);
  EXPECT_EQ(RoundTrip(all), all);

  JsonWriter out;
  out.String(std::string("a\"b\\c\nd\x1b[2Je\x7f", 13)).EndLine();
  // No raw control byte reaches the output: a terminal showing it cannot be
  // driven by a name on disk.
  for (char c : out.Text().substr(0, out.Text().size() - 1))
    EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) << static_cast<int>(c);
  EXPECT_NE(out.Text().find("\\u001b"), std::string::npos);
}

TEST(JsonWriterTest, KeepsValidUtf8AndReplacesEachInvalidSequence) {
  const std::string chinese = "深层文件.bin";
  const std::string fourByte = "\xF0\x9F\x92\xBE disk";  // U+1F4BE
  EXPECT_EQ(RoundTrip(chinese), chinese);
  EXPECT_EQ(RoundTrip(fourByte), fourByte);
  EXPECT_EQ(RoundTrip("\xEF\xBF\xBF"), "\xEF\xBF\xBF");      // U+FFFF is a character
  EXPECT_EQ(RoundTrip("\xF4\x8F\xBF\xBF"), "\xF4\x8F\xBF\xBF");  // U+10FFFF

  const std::string fffd = "\xEF\xBF\xBD";
  struct Case {
    std::string in, out;
  } cases[] = {
      {"\xC9\xEE\xB2\xE3.txt", fffd + fffd + fffd + fffd + ".txt"},  // GB18030 bytes, not UTF-8
      {"a\x80z", "a" + fffd + "z"},                                  // stray continuation
      {"\xC0\xAF", fffd + fffd},                                     // overlong '/'
      {"\xE0\x80\xAF", fffd + fffd + fffd},                          // overlong, three bytes
      {"\xED\xA0\x80", fffd + fffd + fffd},                          // a UTF-16 surrogate
      {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},               // past U+10FFFF
      {"x\xE6\xB7", "x" + fffd + fffd},                              // cut off at the end
      {"\xE6\xB7" "a", fffd + fffd + "a"},                           // cut off by ASCII
      {"\xFF\xFE", fffd + fffd},
  };
  for (const Case& c : cases) EXPECT_EQ(RoundTrip(c.in), c.out) << c.in;
}

TEST(JsonWriterTest, NestsContainersAndWritesNumbersExactly) {
  JsonWriter out;
  out.BeginObject();
  out.Key("drive").String("hd0");
  out.Key("max").Unsigned(std::numeric_limits<uint64_t>::max());
  out.Key("min").Signed(std::numeric_limits<int64_t>::min());
  out.Key("items").BeginArray();
  out.BeginObject().Key("n").Unsigned(0).Key("ok").Bool(true).Key("t").OptionalString(std::nullopt).EndObject();
  out.BeginArray().EndArray();
  out.OptionalString(std::string("x"));
  out.EndArray();
  out.Key("empty").BeginObject().EndObject();
  out.EndObject();
  out.EndLine();
  out.BeginArray().Null().Bool(false).EndArray();
  out.EndLine();

  const auto lines = Lines(out.Text());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["max"].get<uint64_t>(), std::numeric_limits<uint64_t>::max());
  EXPECT_EQ(lines[0]["min"].get<int64_t>(), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(lines[0]["items"].dump(), R"([{"n":0,"ok":true,"t":null},[],"x"])");
  EXPECT_TRUE(lines[0]["empty"].is_object());
  EXPECT_EQ(lines[1].dump(), "[null,false]");
}

TEST(JsonWriterTest, MisuseStillGivesValidLines) {
  JsonWriter out;
  // Left open, a key without a value, a value without a key, a stray close.
  out.BeginObject().Key("a").BeginArray().Unsigned(1).BeginObject().Key("dangling");
  out.EndLine();
  out.BeginObject().String("no key").Key("b").EndArray().Unsigned(2).EndObject().EndObject();
  out.EndLine();
  out.Key("outside").Unsigned(3);
  out.EndLine();
  out.EndLine();  // nothing on the line: no empty line either
  // Two top-level values without EndLine between them: two lines.
  out.BeginArray().EndArray().BeginObject().EndObject();
  out.EndLine();

  const auto lines = Lines(out.Text());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[3].dump(), "[]");
  EXPECT_EQ(lines[4].dump(), "{}");
  EXPECT_EQ(lines[0].dump(), R"({"a":[1,{"dangling":null}]})");
  EXPECT_EQ(lines[1]["b"], 2);
  EXPECT_EQ(lines[2], 3);
}

TEST(JsonWriterTest, SinkReceivesTheSameLinesAcrossFlushes) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  JsonWriter memory;
  {
    JsonWriter sink(file);
    // Enough lines to pass the flush threshold several times.
    for (int i = 0; i < 5000; ++i) {
      for (JsonWriter* w : {&memory, &sink}) {
        w->BeginObject().Key("path").String("folder/文件_" + std::to_string(i)).Key("i").Signed(i);
        w->EndLine();
      }
    }
  }  // the destructor flushes the rest
  std::rewind(file);
  std::string written;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) written.append(buffer, n);
  std::fclose(file);
  EXPECT_EQ(written, memory.Text());
  EXPECT_EQ(Lines(written).size(), 5000u);
}

}  // namespace
}  // namespace tarnwell::cli
