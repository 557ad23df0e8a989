#include "app/command_line.h"

#include <cstdio>
#include <cstring>

#include "platform/program_paths.h"
#include "platform/version_info.h"

namespace tarnwell::app {

std::string VersionText() {
  return "tarnwell " + platform::GetVersionInfoString("productversion") + "\n";
}

std::string HelpText() {
  return "Usage: tarnwell [OPTION] [IMAGE [--map MAP]]...\n"
         "Recover deleted files from FAT and NTFS disks and disk images.\n"
         "\n"
         "Disk or volume images named on the command line are attached as disks\n"
         "ahead of the machine's own. Disks the user may not read are opened\n"
         "read-only through the desktop's disk service, which asks for\n"
         "authorisation.\n"
         "\n"
         "Options:\n"
         "  -h, --help     show this help and exit\n"
         "  --version      show the version and exit\n"
         "  --map MAP      after an IMAGE copied from a failing disk: the ddrescue\n"
         "                 map of the copy; sectors it never read fail when read\n"
         "  --smart-replay FILE  show a recorded drive in the health window\n"
         "  Qt's own options (-platform, -style, ...) are accepted as well.\n"
         "\n"
         "Help pages: " +
         platform::HelpPagePath("index.html") +
         "\n"
         "For scripts, use tarnwell-cli.\n";
}

std::optional<int> AnswerInfoOption(int argc, char** argv) {
  if (argc < 2) return std::nullopt;
  const char* option = argv[1];
  if (std::strcmp(option, "--version") == 0 || std::strcmp(option, "-v") == 0) {
    std::fputs(VersionText().c_str(), stdout);
    return 0;
  }
  if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
    std::fputs(HelpText().c_str(), stdout);
    return 0;
  }
  return std::nullopt;
}

}  // namespace tarnwell::app
