#include "physical/carve/mpeg_audio.h"

namespace tarnwell::physical::carve {
namespace {

// kbit/s by bit-rate index 1-14.
constexpr uint16_t kMpeg1Rates[3][14] = {
    {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // layer I
    {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // layer II
    {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // layer III
};
constexpr uint16_t kMpeg2Rates[2][14] = {
    {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},  // layer I
    {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},       // layers II and III
};
constexpr uint32_t kSampleRates[3] = {44100, 48000, 32000};  // MPEG-1; halved for 2, quartered for 2.5

}  // namespace

bool ParseMpegAudioHeader(const uint8_t* p, MpegAudioFrame& frame) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
  const uint8_t version = (p[1] >> 3) & 3;
  const uint8_t layerBits = (p[1] >> 1) & 3;
  const uint8_t rateIndex = p[2] >> 4;
  const uint8_t sampleIndex = (p[2] >> 2) & 3;
  if (version == 1 || layerBits == 0 || rateIndex == 0 || rateIndex == 15 || sampleIndex == 3 || (p[3] & 3) == 2)
    return false;
  const uint8_t layer = static_cast<uint8_t>(4 - layerBits);
  const bool mpeg1 = version == 3;
  const uint32_t kbits = mpeg1 ? kMpeg1Rates[layer - 1][rateIndex - 1] : kMpeg2Rates[layer == 1 ? 0 : 1][rateIndex - 1];
  const uint32_t sampleRate = kSampleRates[sampleIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
  const uint32_t padding = (p[2] >> 1) & 1;
  uint32_t bytes;
  if (layer == 1) {
    bytes = (12 * kbits * 1000 / sampleRate + padding) * 4;
  } else {
    // Layer III of MPEG-2 and 2.5 has half the samples per frame.
    const uint32_t factor = (layer == 3 && !mpeg1) ? 72 : 144;
    bytes = factor * kbits * 1000 / sampleRate + padding;
  }
  frame = {bytes, sampleRate, version, layer, static_cast<uint8_t>(p[3] >> 6)};
  return bytes >= 4;
}

}  // namespace tarnwell::physical::carve
