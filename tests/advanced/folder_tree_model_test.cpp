#include "advanced/folder_tree_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>

namespace tarnwell::advanced {
namespace {

TEST(FolderTreeModel, NumbersFoldersUnderTheScanResultsAndMarksThem) {
  FolderTreeModel model({});
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  ASSERT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.data(model.ScanRootIndex(), Qt::DisplayRole).toString(), QStringLiteral("扫描结果"));
  EXPECT_EQ(model.data(model.SearchIndex(), Qt::DisplayRole).toString(), QStringLiteral("查找结果"));
  EXPECT_FALSE(model.flags(model.ScanRootIndex()) & Qt::ItemIsSelectable);

  model.SetFolderCount(1234567);
  EXPECT_EQ(model.rowCount(model.ScanRootIndex()), 1234567);
  EXPECT_EQ(model.FolderText(12), QStringLiteral("文件夹 000012"));
  EXPECT_EQ(model.FolderText(1234566), QStringLiteral("文件夹 1234566"));
  model.SetMark(12, FolderMark::kPartial);
  EXPECT_EQ(model.data(model.FolderIndex(12), Qt::DisplayRole).toString(), QStringLiteral("文件夹 000012 - P"));
  model.SetMark(12, FolderMark::kTotal);
  EXPECT_EQ(model.FolderText(12), QStringLiteral("文件夹 000012 - T"));

  // A rebuild drops the marks with the old nodes.
  model.SetFolderCount(20);
  EXPECT_EQ(model.FolderText(12), QStringLiteral("文件夹 000012"));
  EXPECT_EQ(model.FolderOf(model.FolderIndex(19)), 19);
  EXPECT_EQ(model.FolderOf(model.SearchIndex()), -1);
  EXPECT_FALSE(model.FolderIndex(20).isValid());
}

TEST(FolderTreeModel, AbsolutePositionsFollowTheTreeOrderAndRejectStrangers) {
  FolderTreeModel model({});
  model.SetFolderCount(3);
  EXPECT_EQ(model.AbsoluteIndex(model.ScanRootIndex()), 0);
  EXPECT_EQ(model.AbsoluteIndex(model.FolderIndex(0)), 1);
  EXPECT_EQ(model.AbsoluteIndex(model.FolderIndex(2)), 3);
  EXPECT_EQ(model.AbsoluteIndex(model.SearchIndex()), 4);
  for (int32_t position = 0; position <= 4; ++position)
    EXPECT_EQ(model.AbsoluteIndex(model.FromAbsoluteIndex(position)), position);
  // Positions recorded before a rebuild to fewer folders point nowhere.
  model.SetFolderCount(1);
  EXPECT_FALSE(model.FromAbsoluteIndex(4).isValid());
  EXPECT_FALSE(model.FromAbsoluteIndex(-1).isValid());
  EXPECT_EQ(model.FromAbsoluteIndex(2), model.SearchIndex());
}

}  // namespace
}  // namespace tarnwell::advanced
