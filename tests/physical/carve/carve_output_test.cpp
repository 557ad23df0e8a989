// Carved files written out: names, folders, both pieces of a joined file,
// a damaged file's validated part, a read that fails half way, and the
// picture's time.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "disk/memory_sector_source.h"
#include "engine/window_interfaces.h"
#include "physical/carve/carve_output.h"
#include "tests/physical/carve/carve_samples.h"
#include "tests/support/fixtures.h"

namespace tarnwell::physical::carve {
namespace {

namespace fs = std::filesystem;

// A disk that fails every read from `bad` on.
class ShortSource final : public disk::SectorSource {
 public:
  ShortSource(std::shared_ptr<const std::vector<uint8_t>> bytes, uint64_t bad)
      : memory_(bytes, 0, bytes->size()), bad_(bad) {}
  bool Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) override {
    if (lba + count > bad_) return false;
    return memory_.Read(lba, count, buffer, bytesRead);
  }
  uint64_t SectorCount() const override { return memory_.SectorCount(); }

 private:
  disk::MemorySectorSource memory_;
  uint64_t bad_;
};

struct Written {
  std::string folder;
  std::shared_ptr<const std::vector<uint8_t>> disk;
};

// canon.jpg in two pieces (sectors 10-13, then 30 on), text at 100.
Written Disk() {
  const std::vector<uint8_t>& jpeg = testing::CarveSampleNamed("canon.jpg").bytes;
  auto disk = std::make_shared<std::vector<uint8_t>>(200 * 512 + jpeg.size(), 0);
  std::copy(jpeg.begin(), jpeg.begin() + 2048, disk->begin() + 10 * 512);
  std::copy(jpeg.begin() + 2048, jpeg.end(), disk->begin() + 30 * 512);
  return {testing::MakeTempFolder("carve-writer"), disk};
}

CarvedFile Joined(uint64_t length) {
  CarvedFile f;
  f.family = Family::kJpeg;
  f.extension = "jpg";
  f.sector = 10;
  f.length = length;
  f.firstPieceBytes = 2048;
  f.secondSector = 30;
  return f;
}

TEST(CarvedFileWriterTest, NamesCarryTheFirstSectorInAtLeastSevenDigits) {
  CarvedFile f;
  f.extension = "jpg";
  f.sector = 1234;
  EXPECT_EQ(CarvedFileName(f), "f0001234.jpg");
  f.sector = 123456789;
  f.extension = "docx";
  EXPECT_EQ(CarvedFileName(f), "f123456789.docx");
}

TEST(CarvedFileWriterTest, AJoinedFileIsWrittenFromBothPiecesAndDatedByItsPicture) {
  const Written w = Disk();
  const std::vector<uint8_t>& jpeg = testing::CarveSampleNamed("canon.jpg").bytes;
  disk::MemorySectorSource source(w.disk, 0, w.disk->size());
  const std::optional<engine::OutputFolder> out = engine::OutputFolder::Open(w.folder);
  ASSERT_TRUE(out);
  CarvedFileWriter writer(source, *out);
  engine::NullProgressBar progress;
  engine::NullMessagePump pump;
  const CarvedFileWriter::Outcome o = writer.Write(Joined(jpeg.size()), progress, pump);
  ASSERT_TRUE(o.written) << o.error;
  EXPECT_EQ(o.path, w.folder + "/jpg/f0000010.jpg");
  EXPECT_EQ(testing::ReadBinaryFile(o.path), jpeg);
  struct stat st {};
  ASSERT_EQ(::stat(o.path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1689319812);  // 2023-07-14 09:30:12 +02:00
  // A second one of the same name goes beside it, never over it.
  const CarvedFileWriter::Outcome again = writer.Write(Joined(jpeg.size()), progress, pump);
  EXPECT_EQ(again.path, w.folder + "/jpg/f0000010_1.jpg");
}

TEST(CarvedFileWriterTest, DamagedFilesGoBesideTheWholeOnesAndAFailedReadLeavesThePartThatCame) {
  const Written w = Disk();
  const std::optional<engine::OutputFolder> out = engine::OutputFolder::Open(w.folder);
  ASSERT_TRUE(out);
  engine::NullProgressBar progress;
  engine::NullMessagePump pump;
  disk::MemorySectorSource whole(w.disk, 0, w.disk->size());
  CarvedFile damaged = Joined(0);
  damaged.firstPieceBytes = damaged.secondSector = 0;
  damaged.length = 1500;
  damaged.damaged = true;
  const CarvedFileWriter::Outcome d = CarvedFileWriter(whole, *out).Write(damaged, progress, pump);
  ASSERT_TRUE(d.written);
  EXPECT_EQ(d.path, w.folder + "/jpg/damaged/f0000010.jpg");
  EXPECT_EQ(fs::file_size(d.path), 1500u);
  // Reads fail from sector 31 on: the first piece arrives, the second
  // does not, and the error says so; nothing is padded.
  ShortSource failing(w.disk, 31);
  const CarvedFileWriter::Outcome f =
      CarvedFileWriter(failing, *out).Write(Joined(testing::CarveSampleNamed("canon.jpg").size), progress, pump);
  EXPECT_FALSE(f.written);
  EXPECT_FALSE(f.error.empty());
  EXPECT_LT(fs::file_size(f.path), testing::CarveSampleNamed("canon.jpg").size);
  EXPECT_GE(fs::file_size(f.path), 2048u);
}

// A pump that sets the stop flag after a given number of calls (the
// writer pumps once a read of 1 MiB).
class StoppingPump final : public engine::MessagePump {
 public:
  StoppingPump(bool& stop, int after) : stop_(stop), after_(after) {}
  void Pump() override {
    if (--after_ == 0) stop_ = true;
  }

 private:
  bool& stop_;
  int after_;
};

// A stop inside a large file ends its copy at the next read: the file is
// left as far as it got and the outcome says it was stopped, not failed;
// a stop that comes with the last read leaves a whole file.
TEST(CarvedFileWriterTest, AStopCutsALargeCopyShortAtTheNextRead) {
  constexpr uint64_t kMiB = 1 << 20;
  auto disk = std::make_shared<std::vector<uint8_t>>(8 * kMiB, 0x5A);
  disk::MemorySectorSource source(disk, 0, disk->size());
  const std::string folder = testing::MakeTempFolder("carve-stop");
  const std::optional<engine::OutputFolder> out = engine::OutputFolder::Open(folder);
  ASSERT_TRUE(out);
  engine::NullProgressBar progress;
  CarvedFile video;
  video.family = Family::kIsoBmff;
  video.extension = "mp4";
  video.sector = 0;
  video.length = 6 * kMiB + 100;

  bool stop = false;
  StoppingPump stopAfterTwo(stop, 2);
  CarvedFileWriter writer(source, *out);
  writer.SetStopFlag(&stop);
  const CarvedFileWriter::Outcome cut = writer.Write(video, progress, stopAfterTwo);
  EXPECT_TRUE(cut.stopped);
  EXPECT_FALSE(cut.written);
  EXPECT_EQ(cut.bytes, 2 * kMiB);
  EXPECT_EQ(fs::file_size(cut.path), 2 * kMiB);

  stop = false;
  StoppingPump stopAtTheEnd(stop, 7);
  video.sector = 1;
  const CarvedFileWriter::Outcome whole = writer.Write(video, progress, stopAtTheEnd);
  EXPECT_TRUE(whole.written) << whole.error;
  EXPECT_FALSE(whole.stopped);
  EXPECT_EQ(fs::file_size(whole.path), video.length);
}

}  // namespace
}  // namespace tarnwell::physical::carve
