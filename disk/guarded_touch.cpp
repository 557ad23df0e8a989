#include "disk/guarded_touch.h"

#include <csetjmp>
#include <csignal>
#include <mutex>

namespace tarnwell::disk {
namespace {

// The guard of the code running on this thread, if any. Read by the signal
// handler of the same thread: a fault is delivered to the thread that
// caused it.
thread_local sigjmp_buf* t_guard = nullptr;
struct sigaction g_previous {};

void OnBusError(int signal, siginfo_t* info, void* context) {
  if (sigjmp_buf* guard = t_guard) {
    t_guard = nullptr;
    siglongjmp(*guard, 1);
  }
  // Not a fault of guarded code: whoever handled it before decides, or the
  // default action ends the process as it would have without us.
  if ((g_previous.sa_flags & SA_SIGINFO) && g_previous.sa_sigaction) {
    g_previous.sa_sigaction(signal, info, context);
    return;
  }
  if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN && g_previous.sa_handler) {
    g_previous.sa_handler(signal);
    return;
  }
  ::signal(SIGBUS, SIG_DFL);
  ::raise(SIGBUS);
}

// Installs the handler unless it is in place. Checked on every guarded
// call, not once: a library that sets its own SIGBUS handler later would
// otherwise turn a bad sector back into the end of the process.
void EnsureHandler() {
  static std::mutex mutex;
  const std::lock_guard<std::mutex> lock(mutex);
  struct sigaction current {};
  ::sigaction(SIGBUS, nullptr, &current);
  if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == OnBusError) return;
  struct sigaction action {};
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  g_previous = current;
  ::sigaction(SIGBUS, &action, nullptr);
}

}  // namespace

bool TouchGuardedCall(void (*touch)(void* context), void* context) {
  EnsureHandler();
  sigjmp_buf* const volatile outer = t_guard;
  sigjmp_buf guard;
  // The signal mask is saved so that SIGBUS, blocked while its handler
  // runs, is unblocked again after the jump.
  if (sigsetjmp(guard, 1) != 0) {
    t_guard = outer;
    return false;
  }
  t_guard = &guard;
  touch(context);
  t_guard = outer;
  return true;
}

}  // namespace tarnwell::disk
