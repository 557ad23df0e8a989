#pragma once
// The four-byte header of an MPEG audio frame (layers I-III, MPEG-1, 2 and
// 2.5), which carries everything needed for the frame's length:
//   FF FB 90 64  sync, MPEG-1 layer III, 128 kbit/s, 44.1 kHz, no padding:
//                144 x 128000 / 44100 = 417 bytes.
#include <cstdint>

namespace tarnwell::physical::carve {

struct MpegAudioFrame {
  uint32_t bytes = 0;       // the whole frame, header included
  uint32_t sampleRate = 0;  // Hz
  uint8_t version = 0;      // the two version bits: 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  uint8_t layer = 0;        // 1, 2 or 3
  uint8_t channelMode = 0;
};

// False for anything that is no frame header: no sync, a reserved version,
// layer, sample rate or emphasis, the free or the forbidden bit rate.
bool ParseMpegAudioHeader(const uint8_t* p, MpegAudioFrame& frame);

// Two frames belong to one stream when version, layer and sample rate agree.
inline bool SameStream(const MpegAudioFrame& a, const MpegAudioFrame& b) {
  return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

}  // namespace tarnwell::physical::carve
