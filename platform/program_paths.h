#pragma once
// Where the program's own files live: the program directory, the settings
// files and the installed help pages.
#include <string>

namespace tarnwell::platform {

// The folder that holds the running program file, always ending in "/".
std::string ProgramDirectory();

// Where a settings file of the given name is kept: the program directory
// when it is writable and not a system folder (a build tree, a program
// unpacked in the user's files), else $XDG_CONFIG_HOME/tarnwell/ (by default
// ~/.config/tarnwell/), which is created when missing.
std::string SettingsFilePath(const std::string& fileName);
// The same rule for an explicit program directory and environment, so that
// it can be checked without touching the real ones. xdgConfigHome and home
// may be empty.
std::string SettingsFilePathFor(const std::string& programDirectory, const std::string& fileName,
                                const std::string& xdgConfigHome, const std::string& home);

// Whether a folder is one that packages install into (/usr, /opt, ...).
bool IsSystemFolder(const std::string& directory);

// Path of a page of the help ("index.html", "StdRecovery.htm", ...): the
// help/ folder beside the program (build tree) or share/tarnwell/help/ of
// the installation prefix. The first candidate is returned when neither
// holds the page, so that the desktop reports the missing file.
std::string HelpPagePath(const std::string& page);

}  // namespace tarnwell::platform
