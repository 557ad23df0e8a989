#include "platform/desktop_open.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace tarnwell::platform {

bool SpawnDetached(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0].empty()) return false;
  // Build the argument vector before forking: only async-signal-safe calls
  // may follow fork() in a program that could have other threads.
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  // The grandchild tells the parent through a close-on-exec pipe whether
  // exec failed: a byte arrives on failure, end-of-file on success.
  int status_pipe[2];
  if (::pipe2(status_pipe, O_CLOEXEC) != 0) return false;

  pid_t child = ::fork();
  if (child < 0) {
    ::close(status_pipe[0]);
    ::close(status_pipe[1]);
    return false;
  }
  if (child == 0) {
    ::close(status_pipe[0]);
    ::setsid();
    pid_t grandchild = ::fork();
    if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
    int devnull = ::open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      ::dup2(devnull, STDIN_FILENO);
      ::dup2(devnull, STDOUT_FILENO);
      ::close(devnull);
    }
    ::execvp(args[0], args.data());
    char failed = 1;
    ssize_t ignored = ::write(status_pipe[1], &failed, 1);
    (void)ignored;
    ::_exit(127);
  }
  ::close(status_pipe[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  char byte = 0;
  ssize_t n;
  do {
    n = ::read(status_pipe[0], &byte, 1);
  } while (n < 0 && errno == EINTR);
  ::close(status_pipe[0]);
  bool forked = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return forked && n == 0;
}

bool OpenInDesktop(const std::string& target) {
  if (target.empty()) return false;
  return SpawnDetached({"xdg-open", target});
}

}  // namespace tarnwell::platform
