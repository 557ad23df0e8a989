// `image SOURCE --out IMAGE [--map MAP] [--retries N]`: copies a failing
// disk to an image, good areas first, keeping a ddrescue map; run again
// with the same image and map, it goes on where it stopped.
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/image_source.h"
#include "cli/progress_line.h"
#include "cli/terminal_text.h"
#include "disk/imaging/disk_imager.h"
#include "disk/imaging/imaging_report.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {
namespace {

struct ImageOptions {
  std::string source;
  std::string out;
  std::string map;
  int retries = 1;
};

volatile std::sig_atomic_t stopSignals = 0;

// The first Ctrl-C asks the copy to stop with its map saved; a second one
// ends the program as usual (a read the kernel holds may take long).
extern "C" void OnStopSignal(int signal) {
  if (stopSignals > 0) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
  }
  stopSignals = 1;
}

class StopSignals {
 public:
  StopSignals() {
    stopSignals = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &oldInterrupt_);
    ::sigaction(SIGTERM, &action, &oldTerminate_);
  }
  ~StopSignals() {
    ::sigaction(SIGINT, &oldInterrupt_, nullptr);
    ::sigaction(SIGTERM, &oldTerminate_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  bool Heard() const { return stopSignals > 0; }

 private:
  struct sigaction oldInterrupt_ {};
  struct sigaction oldTerminate_ {};
};

// The progress bar and the status text on one line of the terminal, taken
// off before an event-log line is printed.
class ImagingLine final : public engine::ProgressBar, public engine::StatusPanel, public engine::EventLog {
 public:
  ImagingLine(const TerminalDrawing& drawing, engine::EventLog& log) : drawing_(drawing), log_(log) {}
  void SetPosition(int percent) override { percent_ = percent; }
  void SetVisible(bool visible) override {
    if (!visible) Clear();
  }
  void SetText(const std::string& text) override {
    if (!drawing_.Enabled()) return;
    std::fprintf(stderr, "\r\033[K%s  %s", ProgressBarText(percent_).c_str(),
                 TerminalSafe(platform::SystemToUtf8(text)).c_str());
    std::fflush(stderr);
    drawn_ = true;
  }
  void AddLine(const std::string& text, int icon, const std::string& time) override {
    Clear();
    std::fflush(stdout);
    log_.AddLine(text, icon, time);
    std::fflush(stdout);
  }

 private:
  void Clear() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn_ = false;
  }
  const TerminalDrawing& drawing_;
  engine::EventLog& log_;
  int percent_ = 0;
  bool drawn_ = false;
};

// The terminal's pump, hearing Ctrl-C between two reads.
class SignalPump final : public engine::MessagePump {
 public:
  SignalPump(engine::MessagePump& pump, const StopSignals& signals) : pump_(pump), signals_(signals) {}
  void Pump() override {
    pump_.Pump();
    if (signals_.Heard() && imager) imager->RequestStop();
  }
  disk::imaging::DiskImager* imager = nullptr;

 private:
  engine::MessagePump& pump_;
  const StopSignals& signals_;
};

void PrintSummary(const disk::imaging::ImagingResult& result, const disk::imaging::ImagingRequest& request) {
  const disk::imaging::ImagingFigures& f = result.figures;
  const double percent = f.diskBytes ? 100.0 * static_cast<double>(f.finishedBytes) / static_cast<double>(f.diskBytes) : 100;
  std::printf("image:     %s\n", request.imagePath.c_str());
  std::printf("map:       %s\n", request.mapPath.c_str());
  std::printf("copied:    %llu of %llu bytes (%.2f%%)\n", static_cast<unsigned long long>(f.finishedBytes),
              static_cast<unsigned long long>(f.diskBytes), percent);
  std::printf("bad areas: %llu (%llu bytes)\n", static_cast<unsigned long long>(f.badAreas),
              static_cast<unsigned long long>(f.FailedBytes()));
  if (f.nonTriedBytes)
    std::printf("not tried: %llu bytes\n", static_cast<unsigned long long>(f.nonTriedBytes));
  std::printf("reads:     %llu (%llu failed) in %.1f s\n", static_cast<unsigned long long>(f.reads),
              static_cast<unsigned long long>(f.failedReads), f.seconds);
}

// Faults that keep a copy from starting are the caller's to mend.
bool IsRefusal(disk::imaging::ImagingFault fault) {
  using disk::imaging::ImagingFault;
  return fault != ImagingFault::kWriteFailed && fault != ImagingFault::kMapSaveFailed;
}

int RunImage(CliContext& context, const ImageOptions& options) {
  std::optional<disk::imaging::ImagingSource> source = ResolveImageSource(context, options.source);
  if (!source) return kExitUsage;
  disk::imaging::ImagingRequest request;
  request.source = source->sectors.get();
  request.sourceSpot = source->spot;
  request.imagePath = options.out;
  request.mapPath = options.map.empty() ? disk::imaging::DefaultMapPath(options.out) : options.map;
  request.retryPasses = options.retries;

  const StopSignals signals;
  ImagingLine line(context.drawing, context.log);
  SignalPump pump(context.pump, signals);
  disk::imaging::DiskImager imager({line, line, line, pump});
  pump.imager = &imager;
  const disk::imaging::ImagingResult result = imager.Run(request);
  if (result.Failed() && IsRefusal(result.fault)) {
    context.boxes.Error(disk::imaging::ImagingFaultText(result));
    return kExitUsage;
  }
  PrintSummary(result, request);
  if (result.Failed()) return kExitSomeFailed;  // said in the log
  if (result.stopped) {
    std::fprintf(stderr, "tarnwell-cli: stopped; the same command goes on from the map\n");
    return kExitSomeFailed;
  }
  return result.Complete() ? kExitOk : kExitSomeFailed;
}

}  // namespace

void AddImageCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand(
      "image",
      "Copy a disk, partition or image to an image file, good areas first, keeping a ddrescue map; "
      "run again, it goes on from the map");
  auto options = std::make_shared<ImageOptions>();
  command
      ->add_option("SOURCE", options->source,
                   "Drive code of a disk, DRIVE:INDEX as disks numbers partitions, a drive letter, or the "
                   "path of a disk, partition or image")
      ->required();
  command->add_option("--out", options->out, "Image file to create, or to go on with when its map is there")
      ->required();
  command->add_option("--map", options->map, "ddrescue map file (default: IMAGE.map)");
  command->add_option("--retries", options->retries, "Passes over the bad sectors at the end")
      ->check(CLI::Range(0, 1000))
      ->capture_default_str();
  command->callback([&context, exitCode, options] { *exitCode = RunImage(context, *options); });
}

}  // namespace tarnwell::cli
