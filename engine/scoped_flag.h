#pragma once
// Raises a busy flag for a scope and, on every way out, puts back the value
// it found: an operation nested inside another (a folder recovery inside
// the window's recover loop) must not clear the outer one's flag.
namespace tarnwell::engine {

class ScopedFlag {
 public:
  explicit ScopedFlag(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
  ~ScopedFlag() { flag_ = previous_; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

}  // namespace tarnwell::engine
