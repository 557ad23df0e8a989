// The advanced window's lists at the scale of a large raw scan: a folder of
// 100,000 found FAT items filled into the file list and sorted by each
// column (target: under 0.5 s each), and the folder tree built for 100,000
// found folders (target: under 1 s). Beside them, in the same run, a plain
// std::sort of 100,000 random 64-bit numbers as the baseline the figures
// are read against. Runs offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>

#include "advanced/adv_main.h"
#include "advanced/folder_tree_model.h"
#include "advanced/raw_file_list.h"
#include "controls/type_names.h"
#include "physical/physical_drive.h"
#include "physical/physical_drive_list.h"
#include "platform/device_table.h"

namespace {

using namespace tarnwell;
constexpr size_t kItems = 100000;

// A window over one small in-memory disk whose whole-disk entry is given
// `items` found FAT entries in one folder and `folders` folder keys.
struct BenchWindow {
  std::unique_ptr<advanced::TfrmAdvMain> window;
  physical::TPartiEntry* entry = nullptr;

  BenchWindow(size_t items, size_t folders) {
    auto& table = platform::DeviceTable::Instance();
    table.Reset();
    table.AttachMemoryImage("bench", std::make_shared<std::vector<uint8_t>>(64 * 512));
    window = std::make_unique<advanced::TfrmAdvMain>();
    window->SetTypeNames(std::make_unique<controls::PlainTypeNames>());
    window->SetSettingsFile("/proc/none/advrec.ini", 1024);
    window->FormShow();
    window->Timer1->stop();
    physical::TPhysicalDrive& drive = *window->DriveList()->Items.back();
    entry = &drive.WholeDisk();
    entry->Scanned = true;
    entry->FatClusterSectors = 8;
    entry->FatDataStart = 100;
    std::mt19937 random(7);
    const char* extensions[] = {"TXT", "JPG", "DOC", "XLS", "ZIP", "MP3", "PDF", "EXE"};
    for (size_t i = 0; i < items; ++i) {
      auto e = std::make_unique<physical::FoundFatEntry>();
      char name[12];
      std::snprintf(name, sizeof name, "F%07zu%s", static_cast<size_t>(random() % 10000000), extensions[i % 8]);
      std::memcpy(e->DirEntry.bytes.data(), name, 11);
      e->DirEntry.bytes[11] = i % 50 == 0 ? 0x10 : 0x20;
      const uint32_t size = static_cast<uint32_t>(random());
      std::memcpy(&e->DirEntry.bytes[28], &size, 4);
      const uint16_t date = static_cast<uint16_t>(((20 + random() % 20) << 9) | ((1 + random() % 12) << 5) | (1 + random() % 28));
      std::memcpy(&e->DirEntry.bytes[16], &date, 2);
      std::memcpy(&e->DirEntry.bytes[18], &date, 2);
      e->DirSector = 100;
      e->DirCluster = 2;
      entry->FatEntries.push_back(std::move(e));
    }
    entry->DirSectors.push_back(100);
    for (size_t i = 1; i < folders; ++i) entry->DirSectors.push_back(100 + i * 8);
  }
  QTreeWidgetItem* DiskNode() const {
    QTreeWidgetItem* computer = window->TreeView2->topLevelItem(0);
    return computer->child(computer->childCount() - 1);
  }
};

void BM_BaselineSortOf100000Numbers(benchmark::State& state) {
  std::mt19937_64 random(1);
  std::vector<int64_t> values(kItems);
  for (auto& v : values) v = static_cast<int64_t>(random());
  for (auto _ : state) {
    std::vector<int64_t> copy = values;
    std::sort(copy.begin(), copy.end());
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_BaselineSortOf100000Numbers)->Unit(benchmark::kMillisecond);

void BM_Fill100000Items(benchmark::State& state) {
  BenchWindow b(kItems, 1);
  b.window->TreeView2->setCurrentItem(b.DiskNode());
  for (auto _ : state) {
    b.window->RadioButton1Click();  // folder nodes again, then folder 0 filled
    if (b.window->FileModel()->RowCount() != static_cast<int>(kItems)) state.SkipWithError("rows missing");
  }
}
BENCHMARK(BM_Fill100000Items)->Unit(benchmark::kMillisecond);

void BM_Sort100000ItemsByColumn(benchmark::State& state) {
  BenchWindow b(kItems, 1);
  b.window->TreeView2->setCurrentItem(b.DiskNode());
  const int column = static_cast<int>(state.range(0));
  for (auto _ : state) b.window->ListView1ColumnClick(column);
}
BENCHMARK(BM_Sort100000ItemsByColumn)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

void BM_FolderNodesFor100000Folders(benchmark::State& state) {
  BenchWindow b(10, kItems);
  b.window->TreeView2->setCurrentItem(b.DiskNode());
  b.window->show();
  for (auto _ : state) {
    b.window->RadioButton1Click();  // rebuilds the folder nodes, selects the first
    QApplication::processEvents();  // and lets the tree lay itself out
    if (b.window->FolderModel()->FolderCount() != kItems) state.SkipWithError("folders missing");
  }
}
BENCHMARK(BM_FolderNodesFor100000Folders)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
