#pragma once
// The structure walkers, one per family of formats. Each takes the bytes
// of a candidate from its first byte on and follows the format's own
// structure (segments, chunks, boxes, frames, tables) to the file's true
// end, checking every size and offset against the reader's limit before
// reading through it. What they return is described in walk_result.h.
#include "physical/carve/carve_reader.h"
#include "physical/carve/walk_result.h"

namespace tarnwell::physical::carve {

WalkResult WalkJpeg(CarveReader& in);
WalkResult WalkPng(CarveReader& in);
WalkResult WalkGif(CarveReader& in);
WalkResult WalkBmp(CarveReader& in);
WalkResult WalkTiff(CarveReader& in);
WalkResult WalkRiff(CarveReader& in);
WalkResult WalkIsoBmff(CarveReader& in);
WalkResult WalkEbml(CarveReader& in);
WalkResult WalkMp3(CarveReader& in);
WalkResult WalkFlac(CarveReader& in);
WalkResult WalkOgg(CarveReader& in);
WalkResult WalkPdf(CarveReader& in);
WalkResult WalkZip(CarveReader& in);
WalkResult WalkOle2(CarveReader& in);
WalkResult WalkSqlite(CarveReader& in);
WalkResult WalkSevenZip(CarveReader& in);
WalkResult WalkRar(CarveReader& in);
WalkResult WalkGzip(CarveReader& in);
WalkResult WalkMpeg(CarveReader& in);
WalkResult WalkPnm(CarveReader& in);
WalkResult WalkXcf(CarveReader& in);
// Plain text from the start: valid UTF-8 or GB18030 up to the first NUL
// or byte that no text holds (the scan follows text block by block itself;
// this is the same rule on one candidate).
WalkResult WalkText(CarveReader& in);

}  // namespace tarnwell::physical::carve
