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

TEST(FolderTreeModel, TypeNodesFollowTheFoldersAndTheOlderPositionsKeepTheirMeaning) {
  FolderTreeModel model({});
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  model.SetFolderCount(3);
  EXPECT_FALSE(model.CarvedRootIndex().isValid()) << "no node while nothing was found by type";
  EXPECT_FALSE(model.FromAbsoluteIndex(5).isValid());
  model.SetCarvedTypes({{QStringLiteral("jpg"), 12}, {QStringLiteral("pdf"), 1}});
  ASSERT_EQ(model.rowCount(model.ScanRootIndex()), 4);
  const QModelIndex root = model.CarvedRootIndex();
  EXPECT_EQ(root, model.index(3, 0, model.ScanRootIndex()));
  EXPECT_EQ(model.data(root, Qt::DisplayRole).toString(), QStringLiteral("按文件类型"));
  EXPECT_TRUE(model.flags(root) & Qt::ItemIsSelectable);
  EXPECT_EQ(model.rowCount(root), 2);
  EXPECT_EQ(model.CarvedTypeIndex(1).parent(), root);
  EXPECT_EQ(model.data(model.CarvedTypeIndex(0), Qt::DisplayRole).toString(), QStringLiteral("jpg (12)"));
  EXPECT_EQ(model.CarvedTypeOf(model.CarvedTypeIndex(1)), 1);
  EXPECT_EQ(model.FolderOf(root), -1);
  EXPECT_EQ(model.CarvedTypeOf(model.FolderIndex(1)), -1);
  EXPECT_TRUE(model.IsCarvedRoot(root));
  EXPECT_FALSE(model.IsCarvedRoot(model.SearchIndex()));

  // Scan results 0, folders 1..3 and the search results 4 as before; the
  // type nodes after them.
  EXPECT_EQ(model.AbsoluteIndex(model.SearchIndex()), 4);
  EXPECT_EQ(model.AbsoluteIndex(root), 5);
  EXPECT_EQ(model.AbsoluteIndex(model.CarvedTypeIndex(1)), 7);
  for (int32_t position = 0; position <= 7; ++position)
    EXPECT_EQ(model.AbsoluteIndex(model.FromAbsoluteIndex(position)), position);
  EXPECT_FALSE(model.FromAbsoluteIndex(8).isValid());

  // The selector's switch rebuilds the folders and keeps the types.
  model.SetFolderCount(1);
  EXPECT_EQ(model.CarvedRootIndex().row(), 1);
  EXPECT_EQ(model.FromAbsoluteIndex(3), model.CarvedRootIndex());
  EXPECT_EQ(model.CarvedTypeCount(), 2u);
  model.SetCarvedTypes({});
  EXPECT_EQ(model.rowCount(model.ScanRootIndex()), 1);
  EXPECT_FALSE(model.FromAbsoluteIndex(3).isValid());
}

}  // namespace
}  // namespace tarnwell::advanced
