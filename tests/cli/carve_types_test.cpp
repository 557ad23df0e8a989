// The --types list of the carving commands.
#include <gtest/gtest.h>

#include "cli/carve_files.h"
#include "physical/carve/signature_table.h"

namespace tarnwell::cli {
namespace {

using physical::carve::Bit;
using physical::carve::CarvedFile;
using physical::carve::Family;

CarvedFile File(Family family, const char* extension) {
  CarvedFile f;
  f.family = family;
  f.extension = extension;
  return f;
}

TEST(CarveTypesTest, FamiliesAndKindsAreKeptAsAsked) {
  const std::optional<CarveTypes> all = ParseCarveTypes("");
  ASSERT_TRUE(all);
  EXPECT_EQ(all->families, physical::carve::kAllFamilies);
  EXPECT_TRUE(all->Keeps(File(Family::kZip, "xlsx")));

  // "jpeg" names the family; "docx" one kind of ZIP: the ZIP family is
  // followed, and only its DOCX files are kept.
  const std::optional<CarveTypes> some = ParseCarveTypes("jpeg,docx,");
  ASSERT_TRUE(some);
  EXPECT_EQ(some->families, Bit(Family::kJpeg) | Bit(Family::kZip));
  EXPECT_TRUE(some->Keeps(File(Family::kJpeg, "jpg")));
  EXPECT_TRUE(some->Keeps(File(Family::kZip, "docx")));
  EXPECT_FALSE(some->Keeps(File(Family::kZip, "xlsx")));
  EXPECT_FALSE(some->Keeps(File(Family::kPng, "png")));

  EXPECT_FALSE(ParseCarveTypes("jpg,nothing"));
}

}  // namespace
}  // namespace tarnwell::cli
