#include <gtest/gtest.h>

#include "bank_writer.h"
#include "banks/bank_files.h"
#include "support/data_file.h"

using namespace talvo;
using namespace talvo::test;

// The rows of tests/data/banks/paths.txt: parent segments, absolute paths and backslashes escape.
TEST(BankPaths, JoinsHandleEmptyAbsoluteAndSlashedPartsAndContainmentRefusesEscapes) {
  for (const CaseRow& row : readCaseTable("banks/paths.txt")) {
    if (row.at(0) == "join") {
      EXPECT_EQ(joinPath(row.at(1), row.at(2)), row.at(3)) << row[1] << " + " << row[2];
    } else {
      EXPECT_EQ(pathIsContained(row.at(1)), row[0] == "contained") << row[1];
    }
  }
}

TEST(BankFiles, ReadWholeFileReadsEmptyFilesAndRefusesOthersAboveTheLimit) {
  TempBank bank;
  bank.write("six", Bytes(6, 7));
  bank.write("empty", Bytes());
  Bytes out = {9, 9};
  ASSERT_TRUE(readWholeFile(bank.dir() + "/empty", out));
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(readWholeFile(bank.dir() + "/six", out, 6));
  EXPECT_EQ(out, Bytes(6, 7));
  EXPECT_FALSE(readWholeFile(bank.dir() + "/six", out, 5));
  EXPECT_FALSE(readWholeFile(bank.dir() + "/absent", out));
  EXPECT_FALSE(readWholeFile(bank.dir(), out));
}

TEST(BankFiles, ResolvedLocationComparesWholeDirectoryNames) {
  // A neighbour whose name starts with the bank's name is still outside.
  TempBank holder;
  holder.write("b/s/in.wav", Bytes(1, 0));
  holder.write("bx/secret.wav", Bytes(1, 0));
  holder.symlink("../bx/secret.wav", "b/link.wav");
  holder.symlink("s/in.wav", "b/alias.wav");
  const std::string root = resolveDirectory(holder.dir() + "/b");
  std::string real;
  EXPECT_EQ(resolveBankFile(root, "link.wav", real), ResolvedLocation::kOutside);
  EXPECT_EQ(resolveBankFile(root, "s/.", real), ResolvedLocation::kUnresolved);
  EXPECT_EQ(resolveBankFile(root, "alias.wav", real), ResolvedLocation::kInside);
  EXPECT_EQ(real, root + "/s/in.wav");
}
