#pragma once
// What the window tests put between a fixture disk and its copy to an
// image: a disk that fails chosen sectors as a failing drive does, one that
// holds a read at a chosen sector until the test lets it go (so "停止" can
// be pressed at a known point of the copy), one that answers slowly, and
// one that claims to be far larger than it is.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "disk/sector_source.h"

namespace tarnwell::testing {

// Shared by the test and the copy's thread.
class ReadGate {
 public:
  // On the copy's thread: blocks until Open.
  void Arrive() {
    std::unique_lock lock(mutex_);
    reached_ = true;
    arrived_.notify_all();
    opened_.wait(lock, [this] { return open_; });
  }
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    opened_.notify_all();
  }
  bool Reached() {
    std::lock_guard lock(mutex_);
    return reached_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_, opened_;
  bool reached_ = false;
  bool open_ = false;
};

class TestedDisk final : public disk::SectorSource {
 public:
  explicit TestedDisk(std::unique_ptr<disk::SectorSource> inner) : inner_(std::move(inner)) {}

  // Sectors [first, first + count) fail every time.
  TestedDisk& Failing(uint64_t first, uint64_t count) {
    badFirst_ = first;
    badEnd_ = first + count;
    return *this;
  }
  // The first read that reaches sector `at` waits at the gate.
  TestedDisk& Holding(uint64_t at, std::shared_ptr<ReadGate> gate) {
    gateAt_ = at;
    gate_ = std::move(gate);
    return *this;
  }
  TestedDisk& Slowed(std::chrono::milliseconds perRead) {
    perRead_ = perRead;
    return *this;
  }
  TestedDisk& Claiming(uint64_t sectors) {
    claimed_ = sectors;
    return *this;
  }

  bool Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) override {
    if (gate_ && lba + count > gateAt_) {
      std::shared_ptr<ReadGate> gate = std::move(gate_);  // once
      gate->Arrive();
    }
    if (perRead_.count() > 0) std::this_thread::sleep_for(perRead_);
    bytesRead = 0;
    if (lba < badEnd_ && lba + count > badFirst_) {
      // What lies before the first bad sector arrives; then the read fails.
      const uint32_t good = lba < badFirst_ ? static_cast<uint32_t>(badFirst_ - lba) : 0;
      if (good > 0 && !inner_->Read(lba, good, buffer, bytesRead)) return false;
      return false;
    }
    return inner_->Read(lba, count, buffer, bytesRead);
  }
  uint64_t SectorCount() const override { return claimed_ ? claimed_ : inner_->SectorCount(); }
  int LastError() const override { return 5; }  // EIO

 private:
  std::unique_ptr<disk::SectorSource> inner_;
  uint64_t badFirst_ = 0, badEnd_ = 0;
  uint64_t gateAt_ = 0;
  std::shared_ptr<ReadGate> gate_;
  uint64_t claimed_ = 0;
  std::chrono::milliseconds perRead_{0};
};

}  // namespace tarnwell::testing
