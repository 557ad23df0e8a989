#pragma once
// The checks a destination folder passes before recovered files are
// written into it. Paths and messages are UTF-8 (they come from and go to
// the window).
#include <string>

namespace tarnwell::controls {

enum class DestinationVerdict {
  kAccept,    // the folder exists (or was just created): use it
  kStayOpen,  // keep the dialog open without a message
  kError,     // show the message in an error box and keep the dialog open
  kWarning,   // show the message in a warning box and keep the dialog open
};

struct DestinationCheck {
  DestinationVerdict verdict = DestinationVerdict::kStayOpen;
  std::string message;
};

// Trims the path, then in order: it must be absolute; the file system it
// would live on must be mounted and answer for its size; an existing file
// of that name is refused; an existing folder is accepted; otherwise the
// folder is created (one level) or refused.
DestinationCheck CheckDestinationFolder(const std::string& path);

// The up-one-level rule: the part before the last "/", without a trailing
// "/"; the root stays the root and a bare name becomes the root.
std::string ParentFolder(const std::string& path);

// Leading and trailing blanks removed.
std::string TrimPath(const std::string& path);

}  // namespace tarnwell::controls
