#include "tests/advanced/adv_window_support.h"

#include <QItemSelectionModel>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <cstdio>

#include "advanced/folder_tree_model.h"
#include "advanced/raw_file_list.h"
#include "controls/event_log_view.h"
#include "controls/type_names.h"
#include "physical/physical_drive_list.h"

namespace tarnwell::advanced {

void AdvWindowTest::SetUp() { settingsDir = testing::MakeTempFolder("advwin"); }

void AdvWindowTest::TearDown() { window.reset(); }

void AdvWindowTest::Open(const std::vector<std::string>& images) {
  for (const std::string& image : images) table.AttachImage(testing::FixturePath(image));
  window = std::make_unique<TfrmAdvMain>();
  window->SetPump(std::make_unique<controls::QtMessagePump>(pumpInterval));
  window->SetBoxShower([this](QWidget*, controls::BoxKind kind, const QString& text) {
    boxes.push_back({kind, text});
  });
  window->SetQuestionAsker([this](QWidget*, const QString& text) {
    questions.push_back(text);
    return closeAnswer;
  });
  TfrmAdvMain::Choosers choosers;
  choosers.scanMode = [this](QWidget*) { return scanMode; };
  choosers.scanRange = [this](QWidget*, uint64_t total, int64_t* start, int64_t* count) {
    *start = rangeStart;
    *count = rangeCount < 0 ? static_cast<int64_t>(total) - rangeStart : rangeCount;
    return rangeAccepted;
  };
  choosers.destination = [this](QWidget*, std::string* folder) {
    offeredDestinations.push_back(*folder);
    *folder = destination;
    return !destination.empty();
  };
  window->SetChoosers(std::move(choosers));
  window->SetDesktopOpener([this](const std::string& target) {
    opened.push_back(target);
    return true;
  });
  window->SetTypeNames(std::make_unique<controls::PlainTypeNames>());
  window->SetLockedDiskSeams(lockedDisks);
  window->SetSettingsFile(settingsDir + "/advrec.ini", 1024);
  window->FormShow();
  window->show();
  window->Timer1->stop();  // the drive hint's flashing waits 1.2 s
}

QTreeWidgetItem* AdvWindowTest::DiskNode(int number) const {
  QTreeWidgetItem* computer = window->TreeView2->topLevelItem(0);
  for (int i = 0; i < computer->childCount(); ++i) {
    QTreeWidgetItem* child = computer->child(i);
    const advanced::DiskNode node = NodeOf(child);
    if (node.role != DiskNodeRole::kDrive) continue;
    const auto& drive = *window->DriveList()->Items[static_cast<size_t>(node.driveSlot)];
    if (drive.DriveCode() == number) return child;
  }
  return nullptr;
}

void AdvWindowTest::Choose(QTreeWidgetItem* item) { window->TreeView2->setCurrentItem(item); }

void AdvWindowTest::ScanDisk(int number) {
  scanMode = 101;
  QTreeWidgetItem* node = DiskNode(number);
  ASSERT_TRUE(node);
  Choose(node);
}

std::vector<QString> AdvWindowTest::ListNames() const {
  std::vector<QString> names;
  for (int i = 0; i < window->FileModel()->RowCount(); ++i) names.push_back(window->FileModel()->Row(i).name);
  return names;
}

int AdvWindowTest::RowOf(const QString& name) const {
  for (int i = 0; i < window->FileModel()->RowCount(); ++i)
    if (window->FileModel()->Row(i).name == name) return i;
  return -1;
}

void AdvWindowTest::SelectRow(int row) {
  window->ListView1->selectionModel()->select(window->FileModel()->index(row, 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void AdvWindowTest::SelectFolder(size_t folder) {
  window->TreeView1->setCurrentIndex(window->FolderModel()->FolderIndex(folder));
}

QString AdvWindowTest::FolderText(size_t folder) const { return window->FolderModel()->FolderText(folder); }

std::vector<QString> AdvWindowTest::LogTexts() const {
  std::vector<QString> texts;
  for (int i = 0; i < window->ListView3->LineCount(); ++i) texts.push_back(window->ListView3->LineText(i));
  return texts;
}

std::vector<QString> AdvWindowTest::RecoverPressingStop() {
  window->Pump().SetAfterEvents([this] {
    if (window->SelectedDrive()->Busy) window->StopExecute();
  });
  window->RecoverExecute();
  window->Pump().SetAfterEvents(nullptr);
  return LogTexts();
}

bool AdvWindowTest::HasBox(controls::BoxKind kind, const QString& text) const {
  for (const ShownBox& b : boxes)
    if (b.kind == kind && b.text == text) return true;
  return false;
}

std::set<std::string> ManifestHashes(const std::string& manifest, const std::string& image) {
  std::set<std::string> hashes;
  for (const testing::ManifestRow& row : testing::ManifestRows(manifest))
    if (row.image == image && row.kind == "file") hashes.insert(row.sha256);
  return hashes;
}

}  // namespace tarnwell::advanced
