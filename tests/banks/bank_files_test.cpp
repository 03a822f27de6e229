#include <gtest/gtest.h>

#include "bank_writer.h"
#include "banks/bank_files.h"

using namespace talvo;
using namespace talvo::test;

TEST(BankPaths, JoinPathHandlesEmptyAbsoluteAndSlashedParts) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"/banks/a", "", "/banks/a"},
      {"/banks/a", "/etc/x", "/etc/x"},
      {"", "x.wav", "x.wav"},
      {"/banks/a/", "x.wav", "/banks/a/x.wav"},
      {"/banks/a", "s/x.wav", "/banks/a/s/x.wav"}};
  for (const auto& [base, relative, joined] : cases)
    EXPECT_EQ(joinPath(base, relative), joined) << base << " + " << relative;
}

TEST(BankPaths, ContainmentRefusesParentSegmentsAbsolutePathsAndBackslashes) {
  for (const char* ok : {"a.wav", "./a.wav", "a//b.wav", "s/./a.wav", "..a/b", "a/b..", "...", "a/"})
    EXPECT_TRUE(pathIsContained(ok)) << ok;
  for (const char* bad : {"", "/a.wav", "..", "../a.wav", "a/../b.wav", "a/..", "a\\b.wav", "\\"})
    EXPECT_FALSE(pathIsContained(bad)) << bad;
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
