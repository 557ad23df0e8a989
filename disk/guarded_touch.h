#pragma once
// Touching memory mapped from an image or a disk is reading it: when the
// page behind an address cannot be read (a bad sector under the page cache,
// an image cut short while it is mapped), the kernel raises SIGBUS instead
// of returning an error, and a recovery tool pointed at a failing disk must
// not die of that. TouchGuarded runs a piece of code that reads mapped
// bytes and turns such a fault into `false`; the caller then reads the same
// sectors by copy, where the failure is an ordinary read error.
//
// The code leaves by a long jump when it faults, so it must not own anything
// that needs destroying or releasing: no allocation, no strings, no
// containers that grow. Plain loops that test bytes and copy them into
// memory prepared beforehand are what it is for.
#include <type_traits>

namespace tarnwell::disk {

bool TouchGuardedCall(void (*touch)(void* context), void* context);

template <typename Touch>
bool TouchGuarded(Touch&& touch) {
  return TouchGuardedCall([](void* context) { (*static_cast<std::remove_reference_t<Touch>*>(context))(); },
                          const_cast<void*>(static_cast<const void*>(&touch)));
}

}  // namespace tarnwell::disk
