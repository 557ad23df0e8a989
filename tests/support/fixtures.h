#pragma once
// Access to the unpacked fixture images and a clean device table per test.
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tarnwell::testing {

// Path of an unpacked fixture ("fat16.img" -> <build>/fixtures/fat16.img).
std::string FixturePath(const std::string& relative);
// Path of a committed fixture file that is not compressed (manifests).
std::string FixtureSourcePath(const std::string& relative);
std::string ReadTextFile(const std::string& path);
// The tab-separated cells of each line of a committed fixture file, blank
// lines and "#" comments left out.
std::vector<std::vector<std::string>> TabSeparatedRows(const std::string& relative);
std::vector<uint8_t> ReadBinaryFile(const std::string& path);
// Writes bytes as a file `name` in a new temporary folder named after hint;
// returns its path.
std::string WriteTempImage(const std::vector<uint8_t>& bytes, const std::string& hint,
                           const std::string& name = "disk.img");

// Empties the device table and the volume reader's open sources on entry and
// on exit, so that every test sees only the images it attaches.
class ScopedDeviceTable {
 public:
  ScopedDeviceTable();
  ~ScopedDeviceTable();
  // Attaches an image file; fails the test when it cannot.
  void AttachImage(const std::string& path);
  // Attaches bytes as a disk; the volume gets the next free letter.
  void AttachMemory(const std::string& name, std::vector<uint8_t> bytes);
  // Lists a whole disk /dev/NAME of 4 MiB whose opening the kernel refuses
  // with `error` (EACCES, EPERM): a disk that needs authorisation.
  void AddLockedDisk(const std::string& kernelName, int error);
};

// Builds a large sparse image from the pieces a layout file (under the
// fixture source folder) lists: "size BYTES", then "PIECE OFFSET" lines
// naming unpacked fixtures beside the layout. Returns the image's path in
// the build's fixture folder ("gpt/x.layout" -> <build>/fixtures/gpt/x.img).
std::string AssembledSparseImage(const std::string& layout);

// A fresh empty folder under the test's temporary directory.
std::string MakeTempFolder(const std::string& hint);

// Runs the command-line front end with the given arguments (shell-quoted by
// the caller); captures stdout, stderr and the exit status.
struct CliRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};
CliRun RunCli(const std::string& arguments);

// What a shell command prints on stdout.
std::string ShellOutput(const std::string& command);

// Sets the local time zone (a POSIX TZ string such as "XST+3", which needs
// no zone database) for this process and the programs it starts, and puts
// the old one back on exit.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone);
  ~ScopedTimeZone();
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::optional<std::string> saved_;
};

// One row of a fixture manifest: the image, the partition with its start
// sector ("-" where it has none), file system and label, then the path, its
// kind ("image", "dir" or "file"), size, sha256 and state.
struct ManifestRow {
  std::string image, partition, startSector, fs, label, path, kind;
  uint64_t size = 0;
  std::string sha256, state;
};
// The rows of a fixture manifest ("exfat/manifest.tsv", "raw/MANIFEST"), in
// order; comment lines and lines of another shape are left out.
std::vector<ManifestRow> ManifestRows(const std::string& manifest);

// sha256 of one file, in hex (by the sha256sum tool); empty when unreadable.
std::string Sha256OfFile(const std::string& path);
// sha256 of every file below a folder (by the sha256sum tool).
std::multiset<std::string> HashesBelow(const std::string& folder);

}  // namespace tarnwell::testing
