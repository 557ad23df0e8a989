#pragma once
// The advanced window on attached fixture disks, with its dialogs, boxes,
// desktop and settings file replaced by recorders.
#include <gtest/gtest.h>

#include <QString>
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "advanced/adv_main.h"
#include "advanced/disk_tree.h"
#include "tests/support/fixtures.h"

namespace tarnwell::advanced {

struct ShownBox {
  controls::BoxKind kind;
  QString text;
};

class AdvWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Attaches fixture images (relative to the fixture folder), then opens
  // the window on them.
  void Open(const std::vector<std::string>& images);

  // The drive node of physical disk `number` (disks are numbered in the
  // order their images were attached).
  QTreeWidgetItem* DiskNode(int number) const;
  // Chooses a disk-tree node as a click would.
  void Choose(QTreeWidgetItem* item);
  // Chooses the disk's node and lets the scan-mode dialog answer "scan".
  void ScanDisk(int number);

  // Texts of the file list's first column, in row order.
  std::vector<QString> ListNames() const;
  int RowOf(const QString& name) const;
  void SelectRow(int row);
  void SelectFolder(size_t folder);
  QString FolderText(size_t folder) const;
  std::vector<QString> LogTexts() const;
  // Recovers what is checked, the user pressing "停止" as soon as the
  // recovery lets events through (set pumpInterval to 0 first); returns
  // the log after it.
  std::vector<QString> RecoverPressingStop();
  bool HasBox(controls::BoxKind kind, const QString& text) const;

  testing::ScopedDeviceTable table;
  std::unique_ptr<TfrmAdvMain> window;
  std::vector<ShownBox> boxes;
  std::vector<QString> questions;  // what the window asked, answered with closeAnswer
  bool closeAnswer = true;
  std::vector<std::string> opened;  // what the desktop was asked to open
  int scanMode = 101;               // the scan-mode dialog's answer
  bool rangeAccepted = true;        // the scan-range dialog's answer
  int64_t rangeStart = 0, rangeCount = -1;  // -1: the whole entry
  std::string destination;          // "" cancels the destination dialog
  std::vector<std::string> offeredDestinations;  // what the dialog opened with
  std::string settingsDir;
  // The desktop's disk service: never the real system bus in tests.
  controls::LockedDiskSeams lockedDisks{[](const QString&) {
                                          controls::DiskServiceAnswer answer;
                                          answer.error = QStringLiteral("no service in tests");
                                          return answer;
                                        },
                                        false};
  // How often the window's pump lets events through during a command; 0
  // for tests that press buttons from inside a short command.
  std::chrono::milliseconds pumpInterval{20};
};

using testing::HashesBelow;
// sha256 values of the files a fixture manifest lists for an image.
std::set<std::string> ManifestHashes(const std::string& manifest, const std::string& image);

}  // namespace tarnwell::advanced
