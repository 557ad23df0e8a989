#pragma once
// What a structure walker says about the bytes it was given.
#include <cstdint>

namespace tarnwell::physical::carve {

enum class Verdict : uint8_t {
  kNotFound,  // the signature matched by chance: no file of this type starts here
  kDamaged,   // a file starts here, but its structure breaks at `length`
  kComplete,  // the structure holds up to the file's true end at `length`
};

struct WalkResult {
  Verdict verdict = Verdict::kNotFound;
  // Bytes that validated from the file's start: the whole file when
  // complete, the part before the break when damaged. Never more.
  uint64_t length = 0;
  // The kind the content showed (docx for a ZIP, cr2 for a TIFF); null
  // for the family's own extension.
  const char* extension = nullptr;
};

inline WalkResult NotFound() { return {}; }
inline WalkResult Damaged(uint64_t length, const char* extension = nullptr) {
  return {Verdict::kDamaged, length, extension};
}
inline WalkResult Complete(uint64_t length, const char* extension = nullptr) {
  return {Verdict::kComplete, length, extension};
}

}  // namespace tarnwell::physical::carve
