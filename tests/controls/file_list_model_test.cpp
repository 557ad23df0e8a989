#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSortFilterProxyModel>

#include "controls/file_list_model.h"

namespace tarnwell::controls {
namespace {

std::vector<FileListColumn> Columns() {
  return {{"文件", ColumnKind::kName},
          {"文件类型", ColumnKind::kText1},
          {"状态", ColumnKind::kText2},
          {"大小", ColumnKind::kSize},
          {"创建时间", ColumnKind::kDate}};
}

// Handles that point nowhere: the model must never follow them.
const void* Dangling(uintptr_t n) { return reinterpret_cast<const void*>(0x10 + n * 8); }

class FileListModelTest : public ::testing::Test {
 protected:
  FileListModel model{Columns(), {QIcon(), QIcon(), QIcon(), QIcon(), QIcon()}};
  QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};

  void Fill(std::vector<std::tuple<QString, QString, int64_t, double, uint8_t>> rows) {
    model.Clear();
    std::vector<FileRow> out;
    uintptr_t n = 0;
    for (auto& [name, status, size, date, image] : rows) {
      FileRow r;
      r.handle = Dangling(n++);
      r.image = image;
      r.name = name;
      r.text1 = model.PoolText("TXT 文件");
      r.text2 = model.PoolText(status);
      r.size = size;
      r.date = date;
      out.push_back(r);
    }
    model.SetRows(std::move(out));
  }
  std::vector<QString> Names() const {
    std::vector<QString> v;
    for (int i = 0; i < model.RowCount(); ++i) v.push_back(model.Row(i).name);
    return v;
  }
};

TEST_F(FileListModelTest, TextsComeFromTheCachedKeys) {
  Fill({{"a.txt", "已删除", 1234567, 0, 4}, {"b", "", 999, 45000.5, 3}});
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.data(model.index(0, 3), Qt::DisplayRole).toString(), "1.23M");
  EXPECT_EQ(model.data(model.index(1, 3), Qt::DisplayRole).toString(), "999");
  EXPECT_EQ(model.data(model.index(0, 4), Qt::DisplayRole).toString(), "");
  EXPECT_FALSE(model.data(model.index(1, 4), Qt::DisplayRole).toString().isEmpty());
  EXPECT_EQ(model.data(model.index(0, 2), Qt::DisplayRole).toString(), "已删除");
  EXPECT_EQ(model.MarkedCount(), 1);
  // Equal texts share one pool slot.
  EXPECT_EQ(model.Row(0).text1, model.Row(1).text1);
  EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "文件类型");
  model.SetColumnCaption(1, "位置");
  EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "位置");
}

TEST_F(FileListModelTest, SortsAreStableAndNumericWhereTheyShouldBe) {
  const int64_t big = 5'000'000'000LL;  // above 4 GiB: no 32-bit truncation
  Fill({{"b", "", 10, 0, 3}, {"A", "", big, 0, 3}, {"c", "", 10, 0, 3}, {"a2", "", 4096, 0, 0}});
  model.SortByColumn(3, -1);
  EXPECT_EQ(Names(), (std::vector<QString>{"A", "a2", "b", "c"}));
  model.SortByColumn(3, 1);
  // Equal sizes keep their previous order (b before c).
  EXPECT_EQ(Names(), (std::vector<QString>{"b", "c", "a2", "A"}));
  model.SortByColumn(0, 1);
  EXPECT_EQ(Names(), (std::vector<QString>{"A", "a2", "b", "c"}));
  model.SortByColumn(0, -1);
  EXPECT_EQ(Names(), (std::vector<QString>{"c", "b", "a2", "A"}));
  model.SortByImage();
  EXPECT_EQ(Names(), (std::vector<QString>{"a2", "c", "b", "A"}));
}

TEST_F(FileListModelTest, SortKeepsSelectionOnTheSameRowsAndCheckMarks) {
  Fill({{"x", "", 3, 0, 3}, {"y", "", 1, 0, 3}, {"z", "", 2, 0, 3}});
  const QPersistentModelIndex y = model.index(1, 0);
  ASSERT_TRUE(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
  model.SortByColumn(3, 1);
  EXPECT_EQ(y.row(), 0);
  EXPECT_EQ(model.data(y, Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_EQ(model.CheckedRows(), std::vector<int>{0});
  model.SetAllChecked(true);
  EXPECT_EQ(model.CheckedRows().size(), 3u);
  model.SetAllChecked(false);
  EXPECT_TRUE(model.CheckedRows().empty());
  EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
  EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsUserCheckable);
}

TEST_F(FileListModelTest, PassesTheModelTesterThroughAProxyToo) {
  QSortFilterProxyModel proxy;
  proxy.setSourceModel(&model);
  QAbstractItemModelTester proxyTester(&proxy, QAbstractItemModelTester::FailureReportingMode::Fatal);
  Fill({{"one", "", 1, 0, 3}, {"two", "已损坏", 2, 0, 2}});
  model.SortByColumn(0, -1);
  model.Clear();
  EXPECT_EQ(proxy.rowCount(), 0);
}

}  // namespace
}  // namespace tarnwell::controls
