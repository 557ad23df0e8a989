// The standard window against the engine alone, in the same run:
//  - scanning a volume in the window (offscreen, pumping events every
//    ~20 ms, building the tree and the first list) against the scan and
//    walk that "tarnwell-cli list" does, without printing;
//  - how long after "停止" a scan returns control;
//  - filling the file list with 100,000 rows and sorting by each column,
//    with the heap bytes per row the list holds beyond the entries.
// The volume is TARNWELL_NTFS_BENCH_IMAGE (default: the 100,000-record
// image of bench/make_ntfs_bench_image.sh), else the NTFS fixture.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QTableView>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/entry_walk.h"
#include "controls/file_list_model.h"
#include "controls/qt_message_pump.h"
#include "controls/type_names.h"
#include "engine/undelete.h"
#include "platform/device_table.h"
#include "standard/entry_rows.h"
#include "standard/quick_main.h"

namespace {

using namespace tarnwell;
using Clock = std::chrono::steady_clock;

std::string ImagePath() {
  const char* env = std::getenv("TARNWELL_NTFS_BENCH_IMAGE");
  if (env && std::filesystem::exists(env)) return env;
  if (std::filesystem::exists("build/bench-data/ntfs-100k.img")) return "build/bench-data/ntfs-100k.img";
  return "build/fixtures/base/ntfs.img";
}

bool Attach(benchmark::State& state) {
  auto& table = platform::DeviceTable::Instance();
  table.Reset();
  std::string error;
  if (!table.AttachImage(ImagePath(), &error)) {
    state.SkipWithError(error.c_str());
    return false;
  }
  return true;
}

double g_cliSeconds = 0;  // the baseline, measured first in the same run

void BM_CliList(benchmark::State& state) {
  if (!Attach(state)) return;
  engine::NullMessageBoxes boxes;
  engine::NullMessagePump pump;
  engine::NullStatusPanel status;
  engine::NullProgressBar progress;
  size_t listed = 0;
  double seconds = 0;
  for (auto _ : state) {
    engine::TUndelete undelete(boxes, pump);
    const auto start = Clock::now();
    (void)undelete.ScanVolume(*undelete.FindDrive('C'), true, status, progress);
    listed = 0;
    cli::WalkEntries(undelete, [&](const cli::FoundEntry& e) { listed += e.path.size() > 0; });
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
  }
  g_cliSeconds = seconds / static_cast<double>(state.iterations());
  state.counters["entries"] = static_cast<double>(listed);
}
BENCHMARK(BM_CliList)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

standard::QuickMainServices QuietServices() {
  standard::QuickMainServices s;
  s.showBox = [](QWidget*, controls::BoxKind, const QString&) {};
  s.opener = [](const std::string&) { return true; };
  s.settingsPath = "/dev/null";
  s.typeNames = std::make_shared<controls::PlainTypeNames>();
  s.wait = [](int) {};
  s.screenWidth = 1280;
  return s;
}

// The window shown at 1280x1024 as a user opens it; its node of drive C:.
QTreeWidgetItem* ShowAndFindDrive(standard::TfrmQuickMain& window) {
  window.resize(1280, 1024);
  window.FormShow();
  window.show();
  return window.DriveNode('C');
}

void BM_WindowScan(benchmark::State& state) {
  if (!Attach(state)) return;
  standard::TfrmQuickMain window(QuietServices());
  QTreeWidgetItem* drive = ShowAndFindDrive(window);
  double seconds = 0;
  for (auto _ : state) {
    window.Treeview2->setCurrentItem(drive);
    const auto start = Clock::now();
    window.Treeview2Change(drive, false);  // "扫描": a forced rescan
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
  }
  const double mean = seconds / static_cast<double>(state.iterations());
  state.counters["entries"] = static_cast<double>(window.Engine()->CurrentDrive->EntryCount());
  if (g_cliSeconds > 0) state.counters["ratio_to_cli"] = mean / g_cliSeconds;
}
BENCHMARK(BM_WindowScan)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// One paint of the file list showing a scanned folder (1280x1024, the rows
// that fit): what every pump round that finds the list changed pays.
void BM_ListPaint(benchmark::State& state) {
  if (!Attach(state)) return;
  standard::TfrmQuickMain window(QuietServices());
  QTreeWidgetItem* drive = ShowAndFindDrive(window);
  window.Treeview2->setCurrentItem(drive);
  window.Treeview2Change(drive, false);
  QApplication::processEvents();
  for (auto _ : state) window.ListView1->viewport()->repaint();
  state.counters["rows"] = static_cast<double>(window.ListView1->model()->rowCount());
}
BENCHMARK(BM_ListPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same two in turns, one of each per iteration, compared by their
// medians: on a shared machine the load changes between two benchmarks,
// while turns see nearly the same load and the median drops the runs that
// another process interrupted.
double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

void BM_WindowScanInTurnsWithCli(benchmark::State& state) {
  if (!Attach(state)) return;
  standard::TfrmQuickMain window(QuietServices());
  QTreeWidgetItem* drive = ShowAndFindDrive(window);
  window.Treeview2->setCurrentItem(drive);
  std::vector<double> cli, shown;
  for (auto _ : state) {
    {
      engine::NullMessageBoxes boxes;
      engine::NullMessagePump pump;
      engine::NullStatusPanel status;
      engine::NullProgressBar progress;
      engine::TUndelete undelete(boxes, pump);
      size_t listed = 0;
      const auto start = Clock::now();
      (void)undelete.ScanVolume(*undelete.FindDrive('C'), true, status, progress);
      cli::WalkEntries(undelete, [&](const cli::FoundEntry& e) { listed += e.path.size() > 0; });
      cli.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      benchmark::DoNotOptimize(listed);
    }
    const auto start = Clock::now();
    window.Treeview2Change(drive, false);
    shown.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  state.counters["cli_ms"] = Median(cli);
  state.counters["window_ms"] = Median(shown);
  state.counters["ratio_to_cli"] = Median(shown) / Median(cli);
}
BENCHMARK(BM_WindowScanInTurnsWithCli)->Unit(benchmark::kMillisecond)->Iterations(21)->UseRealTime();

// From the click on "停止" (pressed from the first event round after the
// scan has run a while) until the scan command has returned.
void BM_StopLatency(benchmark::State& state) {
  if (!Attach(state)) return;
  standard::TfrmQuickMain window(QuietServices());
  window.FormShow();
  window.show();
  QTreeWidgetItem* drive = window.DriveNode('C');
  double worst = 0, total = 0;
  for (auto _ : state) {
    Clock::time_point clicked{};
    const auto begun = Clock::now();
    window.Pump().SetAfterEvents([&] {
      if (clicked == Clock::time_point{} && Clock::now() - begun > std::chrono::milliseconds(30)) {
        clicked = Clock::now();
        window.StopExecute();
      }
    });
    window.Treeview2Change(drive, false);
    const auto done = Clock::now();
    window.Pump().SetAfterEvents({});
    const double ms = clicked == Clock::time_point{}
                          ? 0
                          : std::chrono::duration<double, std::milli>(done - clicked).count();
    worst = std::max(worst, ms);
    total += ms;
  }
  state.counters["stop_ms_mean"] = total / static_cast<double>(state.iterations());
  state.counters["stop_ms_worst"] = worst;
}
BENCHMARK(BM_StopLatency)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

// 100,000 NTFS records of one folder, as an NTFS "[Folder]N" can hold.
struct BigFolder {
  engine::NullMessageBoxes boxes;
  engine::NullMessagePump pump;
  engine::TUndelete engine{boxes, pump, {}};  // the records' handles
  std::vector<std::unique_ptr<engine::tntfsfilerecord>> records;
  BigFolder() {
    for (int i = 0; i < 100000; ++i) {
      auto r = std::make_unique<engine::tntfsfilerecord>();
      r->RecordNumber = 100 + i;
      r->Name = "file_" + std::to_string((i * 7919) % 100000) + (i % 3 ? ".txt" : ".jpg");
      r->DataSize = (static_cast<int64_t>(i) * 104729) % 6'000'000'000LL;
      r->RecordFlags = i % 10 ? 1 : 0;
      r->FileName.SetCreationTime(0x01D0000000000000ULL + static_cast<uint64_t>(i) * 600000000ULL);
      records.push_back(std::move(r));
    }
  }
};

void Fill(controls::FileListModel& model, BigFolder& folder, controls::TypeNameProvider& types) {
  model.Clear();
  std::vector<controls::FileRow> rows;
  rows.reserve(folder.records.size());
  for (auto& r : folder.records)
    rows.push_back(standard::MakeFileRow(folder.engine.EntryOf(*r), model, types, nullptr));
  model.SetRows(std::move(rows));
  model.SortByImage();
}

std::unique_ptr<controls::FileListModel> NewModel() {
  return std::make_unique<controls::FileListModel>(
      std::vector<controls::FileListColumn>{{"文件", controls::ColumnKind::kName},
                                            {"类型", controls::ColumnKind::kText1},
                                            {"状态", controls::ColumnKind::kText2},
                                            {"大小", controls::ColumnKind::kSize},
                                            {"创建时间", controls::ColumnKind::kDate}},
      std::vector<QIcon>(5));
}

void BM_Fill100k(benchmark::State& state) {
  BigFolder folder;
  auto model = NewModel();
  controls::MimeTypeNames types;
  double bytesPerRow = 0;
  for (auto _ : state) {
    model->Clear();
    malloc_trim(0);
    const size_t before = mallinfo2().uordblks;
    Fill(*model, folder, types);
    bytesPerRow = static_cast<double>(mallinfo2().uordblks - before) / 100000.0;
  }
  state.counters["bytes_per_row"] = bytesPerRow;
}
BENCHMARK(BM_Fill100k)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

void BM_Sort100k(benchmark::State& state) {
  BigFolder folder;
  auto model = NewModel();
  controls::MimeTypeNames types;
  Fill(*model, folder, types);
  const int column = static_cast<int>(state.range(0));
  int factor = -1;
  for (auto _ : state) {
    model->SortByColumn(column, factor);
    factor = -factor;
  }
}
BENCHMARK(BM_Sort100k)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
