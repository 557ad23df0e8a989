#pragma once
// Hands a file, folder or address to the desktop, which opens it with the
// user's default program (browser, file manager, mail program): what the
// shell's "open" verb did on the original platform.
#include <string>
#include <vector>

namespace tarnwell::platform {

// Runs "xdg-open target" detached from the program. Returns false only
// when the process could not be started; what the desktop does with the
// target is not reported back.
bool OpenInDesktop(const std::string& target);

// Starts argv[0] (looked up in PATH) with the given arguments as a detached
// process: no shell is involved, so nothing in the arguments is
// interpreted, and the program leaves no zombie behind because the
// intermediate child is reaped at once.
bool SpawnDetached(const std::vector<std::string>& argv);

}  // namespace tarnwell::platform
