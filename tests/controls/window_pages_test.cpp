#include <gtest/gtest.h>
#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QWidget>

#include "controls/display_format.h"
#include "controls/event_log_view.h"
#include "controls/hex_page.h"
#include "controls/recover_command.h"
#include "controls/search_panel.h"
#include "controls/type_names.h"

namespace tarnwell::controls {
namespace {

struct Box {
  BoxKind kind;
  QString text;
};

class SearchPanelTest : public ::testing::Test {
 protected:
  SearchPanel panel;
  std::vector<Box> boxes;
  void SetUp() override {
    panel.SetBoxShower([this](QWidget*, BoxKind k, const QString& t) { boxes.push_back({k, t}); });
    panel.SetToday([] { return QDate(2024, 6, 15); });
    panel.Reset();
  }
};

TEST_F(SearchPanelTest, AskedForAtLeastOneCriterion) {
  panel.Edit1->setText("  *.jpg ");  // a name without "按文件名" is no criterion
  EXPECT_FALSE(panel.Criteria());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, BoxKind::kWarning);
  EXPECT_EQ(boxes[0].text, "您必须至少指定 1 项搜索条件。");

  panel.CheckBox2->setChecked(true);
  panel.Edit1->setText("   ");  // checked but blank: still nothing
  EXPECT_FALSE(panel.Criteria());
  EXPECT_EQ(boxes.size(), 2u);

  panel.Edit1->setText("  *.jpg,a? ");
  const auto r = panel.Criteria();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->names, "*.jpg,a?");
  EXPECT_TRUE(r->deletedOnly);
  EXPECT_EQ(r->sizeMin, -1);
  EXPECT_EQ(r->dateFrom, 0);
  panel.AllFiles->setChecked(true);
  EXPECT_FALSE(panel.Criteria()->deletedOnly);
}

TEST_F(SearchPanelTest, SizesInThousandsOrderedAnd64Bit) {
  panel.CheckBox2->setChecked(true);
  panel.Edit1->setText("x");
  panel.SpinEdit1->setValue(-1);  // refused even when "按大小" is off
  EXPECT_FALSE(panel.Criteria());
  ASSERT_EQ(boxes.back().text, "文件大小不能小于 0。");
  EXPECT_EQ(boxes.back().kind, BoxKind::kError);

  panel.CheckBox4->setChecked(true);
  panel.SpinEdit1->setValue(50);
  panel.SpinEdit2->setValue(10);
  auto r = panel.Criteria();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->sizeMin, 10'000);
  EXPECT_EQ(r->sizeMax, 50'000);
  panel.SpinEdit2->setValue(3'000'000);  // 3 GB: beyond 32 bits
  r = panel.Criteria();
  EXPECT_EQ(r->sizeMax, 3'000'000'000LL);
}

TEST_F(SearchPanelTest, PresetRangesCoverWholeDays) {
  panel.CheckBox3->setChecked(true);
  const double today = DayStartValue(2024, 6, 15);
  auto r = panel.Criteria();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->dateFrom, today);
  EXPECT_EQ(r->dateTo, today + 1);
  EXPECT_FALSE(panel.DateTimePicker1->isEnabled());
  panel.ComboBox3->setCurrentIndex(3);
  EXPECT_EQ(panel.Criteria()->dateFrom, today - 365);
  panel.ComboBox3->setCurrentIndex(1);
  EXPECT_EQ(panel.Criteria()->dateFrom, today - 7);
  // "指定" frees the pickers; reversed dates are put in order.
  panel.ComboBox3->setCurrentIndex(4);
  EXPECT_TRUE(panel.DateTimePicker1->isEnabled());
  panel.DateTimePicker1->setDate(QDate(2024, 1, 10));
  panel.DateTimePicker2->setDate(QDate(2023, 12, 31));
  panel.ComboBox1->setCurrentIndex(2);
  r = panel.Criteria();
  EXPECT_EQ(r->dateFrom, DayStartValue(2023, 12, 31));
  EXPECT_EQ(r->dateTo, DayStartValue(2024, 1, 11));
  EXPECT_EQ(r->dateKind, 2);
  panel.Reset();
  EXPECT_EQ(panel.ComboBox1->currentIndex(), 0);
  EXPECT_EQ(panel.ComboBox3->currentIndex(), 0);
  EXPECT_EQ(panel.DateTimePicker1->date(), QDate(2024, 6, 15));
}

TEST(HexPageTest, BannerHintAndFailure) {
  QWidget panel;
  QLabel hint;
  HexPage page(&panel, &hint);
  page.ShowBanner(QByteArray("Hi"));
  EXPECT_EQ(page.Data()[15], '*');
  EXPECT_EQ(page.Data()[16], 'H');
  EXPECT_EQ(page.Data()[18], '*');
  EXPECT_EQ(page.Data()[55], '*');
  EXPECT_EQ(page.Data()[56], 0);
  EXPECT_EQ(page.View()->DataLength(), 2048);

  page.ShowLoaded("JPG", std::array<uint8_t, 2>{0xFF, 0xD8});
  EXPECT_EQ(hint.text(), " '.JPG' 文件的正常报头(起始的两个字节)应该是 'FF D8'");
  EXPECT_EQ(HexPage::HeaderHint("mdb", {0, 1}), " '.mdb' 文件的正常报头(起始的两个字节)应该是 '0 1'");
  page.ShowLoaded("xyz", std::nullopt);
  EXPECT_EQ(hint.text(), "");

  page.Data().fill(0x41);
  page.ShowFailure();
  EXPECT_EQ(hint.text(), " 无法从该文件获取数据。");
  EXPECT_EQ(hint.palette().color(QPalette::WindowText), QColor(Qt::red));
  // Nothing of the previous file stays under the new name.
  EXPECT_TRUE(std::all_of(page.Data().begin(), page.Data().end(), [](uint8_t b) { return b == 0; }));
}

TEST(EventLogViewTest, LinesKeepTextIconAndTime) {
  EventLogView log({QIcon(), QIcon(), QIcon()});
  log.AddLine("\xD5\xFD\xD4\xDA", 2, "01:02:03");  // "正在" in the system code page
  log.Add("恢复已完成。", 0);
  ASSERT_EQ(log.LineCount(), 2);
  EXPECT_EQ(log.LineText(0), "正在");
  EXPECT_EQ(log.LineIcon(0), 2);
  EXPECT_EQ(log.topLevelItem(0)->text(1), "01:02:03");
  EXPECT_EQ(log.LastText(), "恢复已完成。");
  EXPECT_EQ(log.topLevelItem(1)->text(1).size(), 8);
  ASSERT_EQ(log.actions().size(), 1);
  EXPECT_EQ(log.actions()[0]->text(), "清空日志");
  log.actions()[0]->trigger();
  EXPECT_EQ(log.LineCount(), 0);
}

// A line longer than the event column shows whole under the pointer; a
// line that fits gets no tip.
TEST(EventLogViewTest, ALineCutAtTheColumnShowsWholeUnderThePointer) {
  EventLogView log({QIcon()});
  const QString longLine = QStringLiteral("“PLAYLIST.M3U” 在目标目录中已存在，恢复的副本保存为 “PLAYLIST_1.M3U”");
  log.Add(longLine, 0);
  log.Add(QStringLiteral("恢复已完成。"), 0);
  log.resize(400, 200);
  log.setColumnWidth(0, 200);
  log.show();
  QApplication::processEvents();
  auto tipOver = [&log](int line) {
    QToolTip::hideText();  // a shown tip goes after a moment
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000));
    const QPoint at = log.visualRect(log.model()->index(line, 0)).center();
    QHelpEvent event(QEvent::ToolTip, at, log.viewport()->mapToGlobal(at));
    QApplication::sendEvent(log.viewport(), &event);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
  };
  EXPECT_EQ(tipOver(0), longLine);
  EXPECT_EQ(tipOver(1), QString());
}

TEST(TypeNamesTest, FallbackAndMimeDatabase) {
  EXPECT_EQ(FallbackTypeName("a.xyz"), "XYZ 文件");
  EXPECT_EQ(FallbackTypeName("README"), "文件");
  EXPECT_EQ(FileExtension("photo.tar.GZ"), "GZ");
  MimeTypeNames names;
  // Unknown kinds fall back whatever the database holds.
  EXPECT_EQ(names.FileTypeName("x.qqqzzz"), "QQQZZZ 文件");
  EXPECT_FALSE(names.FolderTypeName().isEmpty());
  const QString jpeg = names.FileTypeName("PHOTO.JPG");
  EXPECT_FALSE(jpeg.isEmpty());
  EXPECT_EQ(names.FileTypeName("other.jpg"), jpeg);  // case does not matter
  // Among Chinese captions a type is named in Chinese, or by its extension
  // where the database knows it in English only (a playlist, on many
  // desktops).
  for (const QString file : {"PLAYLIST.M3U", "PHOTO.JPG", "NOTES.TXT", "SONG.MP3", "DOC.PDF", "A.ZIP"}) {
    const QString name = names.FileTypeName(file);
    const bool chinese = std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
    EXPECT_TRUE(chinese) << file.toStdString() << ": " << name.toStdString();
  }
}

TEST(RecoverCommandTest, SnapshotCancelStopAndFinish) {
  FileListModel model({{"文件", ColumnKind::kName}}, {});
  std::vector<FileRow> rows(3);
  for (int i = 0; i < 3; ++i) rows[i].name = QString("f%1").arg(i);
  rows[0].checked = rows[2].checked = true;
  model.SetRows(rows);
  std::vector<Box> boxes;
  const BoxShower shower = [&](QWidget*, BoxKind k, const QString& t) { boxes.push_back({k, t}); };

  RecoverSteps steps;
  std::vector<QString> done;
  int finished = 0;
  bool cancel = true, stop = false;
  steps.chooseDestination = [&](std::string* f) { *f = "/tmp/x"; return !cancel; };
  steps.recoverOne = [&](const RecoverItem& item, const std::string&, engine::ProgressBar&) {
    done.push_back(item.caption);
    model.Clear();  // the list may change under the command: the snapshot holds
    stop = true;
    return RecoverTally{3, 1};
  };
  steps.stopRequested = [&] { return stop; };
  RecoverTally total;
  steps.finish = [&](const RecoverTally& tally, const QString&) {
    ++finished;
    total = tally;
  };

  EXPECT_EQ(RunRecoverCommand({}, steps, shower, nullptr, "none"), RecoverOutcome::kNothingChecked);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, BoxKind::kWarning);
  const auto items = CheckedItems(model);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(RunRecoverCommand(items, steps, shower, nullptr, "none"), RecoverOutcome::kCancelled);
  EXPECT_EQ(finished, 0);
  cancel = false;
  EXPECT_EQ(RunRecoverCommand(items, steps, shower, nullptr, "none"), RecoverOutcome::kRan);
  EXPECT_EQ(done, std::vector<QString>{"f0"});  // stopped before the second item
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(RecoverTallyText(total), "3 个文件已恢复，1 个失败");
}

TEST(RecoverCommandTest, OverwrittenCopiesAreCountedApartFromTheRecovered) {
  // A folder of five files, two of them written from overwritten clusters.
  RecoverTally tally = TallyOfItem(engine::RecoverResult::kRecovered, 5, 2);
  EXPECT_EQ(tally.recovered, 3);
  EXPECT_EQ(tally.overwritten, 2);
  // A folder that failed below still wrote its overwritten file; a stopped
  // item counts no recovered file.
  tally += TallyOfItem(engine::RecoverResult::kFailed, 0, 1);
  tally += TallyOfItem(engine::RecoverResult::kStopped, 0, 0);
  EXPECT_EQ(tally.failed, 1);
  EXPECT_EQ(RecoverTallyText(tally), "3 个文件已恢复，1 个失败，3 个已被覆盖");
  EXPECT_EQ(RecoverTallyText(TallyOfItem(engine::RecoverResult::kRecovered, 1, 0)), "1 个文件已恢复，0 个失败");
}

}  // namespace
}  // namespace tarnwell::controls
