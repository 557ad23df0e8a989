// The JSON-lines writer on any bytes: the input drives a sequence of
// writer calls (nesting, keys, strings, numbers), with strings taken raw,
// through the UTF-16LE and GB18030 converters as names from disk take them.
// Every line written must parse as JSON, and a string must come back as
// written when it was valid UTF-8.
#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/json_writer.h"
#include "platform/text_codec.h"

using tarnwell::cli::JsonWriter;

namespace {

// The next piece of input: a length byte then that many bytes.
std::string_view Take(const uint8_t*& data, size_t& size) {
  if (size == 0) return {};
  size_t n = data[0];
  ++data;
  --size;
  if (n > size) n = size;
  std::string_view piece(reinterpret_cast<const char*>(data), n);
  data += n;
  size -= n;
  return piece;
}

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// A string alone on a line parses back to itself when nothing in it needed
// replacing (ASCII, control characters included).
void CheckRoundTrip(std::string_view piece) {
  JsonWriter one;
  one.String(piece);
  one.EndLine();
  const nlohmann::json value = nlohmann::json::parse(one.Text());
  if (IsAscii(piece) && value.get<std::string>() != piece) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  JsonWriter out;
  int steps = 0;
  while (size > 0 && ++steps < 2000) {
    const uint8_t op = data[0];
    ++data;
    --size;
    const std::string_view piece = Take(data, size);
    switch (op % 12) {
      case 0: out.BeginObject(); break;
      case 1: out.EndObject(); break;
      case 2: out.BeginArray(); break;
      case 3: out.EndArray(); break;
      case 4: out.Key(piece); break;
      case 5: {
        out.String(piece);
        CheckRoundTrip(piece);
        break;
      }
      case 6:
        out.String(tarnwell::platform::SystemToUtf8(
            tarnwell::platform::Utf16LeToSystem(reinterpret_cast<const uint8_t*>(piece.data()), piece.size())));
        break;
      case 7: out.String(tarnwell::platform::SystemToUtf8(piece)); break;
      case 8: out.Unsigned(piece.size() * 0x0123456789ULL); break;
      case 9: out.Signed(-static_cast<int64_t>(piece.size()) * 0x7FFFFFFFFFLL); break;
      case 10: out.Bool(piece.size() & 1).Null(); break;
      case 11: out.EndLine(); break;
    }
  }
  out.EndLine();

  std::istringstream lines(out.Text());
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || !nlohmann::json::accept(line)) std::abort();
  }
  return 0;
}
