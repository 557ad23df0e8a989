# The signature scan's families, one fuzz target each (fuzz_carve_NAME),
# as NAME:ENUMERATOR of physical::carve::Family. Read by the fuzz build,
# the replay tests and scripts/fuzz.
set(TARNWELL_CARVE_FUZZ_FAMILIES
  jpeg:kJpeg png:kPng gif:kGif bmp:kBmp tiff:kTiff riff:kRiff bmff:kIsoBmff ebml:kEbml mp3:kMp3 flac:kFlac
  ogg:kOgg pdf:kPdf zip:kZip ole2:kOle2 sqlite:kSqlite 7z:kSevenZip rar:kRar gzip:kGzip mpeg:kMpeg pnm:kPnm
  xcf:kXcf text:kText)
