#include <gtest/gtest.h>

#include "bank_writer.h"
#include "banks/bank_files.h"

using namespace talvo;
using namespace talvo::test;

TEST(BankPaths, JoinPathHandlesEmptyAbsoluteAndSlashedParts) {
  EXPECT_EQ(joinPath("/banks/a", ""), "/banks/a");
  EXPECT_EQ(joinPath("/banks/a", "/etc/x"), "/etc/x");
  EXPECT_EQ(joinPath("", "x.wav"), "x.wav");
  EXPECT_EQ(joinPath("/banks/a/", "x.wav"), "/banks/a/x.wav");
  EXPECT_EQ(joinPath("/banks/a", "s/x.wav"), "/banks/a/s/x.wav");
}

TEST(BankPaths, ContainmentRefusesParentSegmentsAbsolutePathsAndBackslashes) {
  for (const char* ok : {"a.wav", "./a.wav", "a//b.wav", "s/./a.wav", "..a/b", "a/b..", "...", "a/"})
    EXPECT_TRUE(pathIsContained(ok)) << ok;
  for (const char* bad : {"", "/a.wav", "..", "../a.wav", "a/../b.wav", "a/..", "a\\b.wav", "\\"})
    EXPECT_FALSE(pathIsContained(bad)) << bad;
}

TEST(BankFiles, ReadWholeFileReadsExactBytesAndEmptyFiles) {
  TempBank bank;
  const Bytes bytes = {0, 1, 2, 0xFF, 0x0A, 0x0D};
  bank.write("f.bin", bytes);
  bank.write("empty", Bytes());
  Bytes out = {9, 9};
  ASSERT_TRUE(readWholeFile(bank.dir() + "/f.bin", out));
  EXPECT_EQ(out, bytes);
  ASSERT_TRUE(readWholeFile(bank.dir() + "/empty", out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(readWholeFile(bank.dir() + "/absent", out));
  EXPECT_FALSE(readWholeFile(bank.dir(), out));
}

TEST(BankFiles, ReadWholeFileRefusesFilesAboveTheLimitBeforeReading) {
  TempBank bank;
  bank.write("six", Bytes(6, 7));
  Bytes out;
  EXPECT_TRUE(readWholeFile(bank.dir() + "/six", out, 6));
  EXPECT_FALSE(readWholeFile(bank.dir() + "/six", out, 5));
  bank.writeSparse("huge", kMaxBankFileBytes + 1);
  EXPECT_FALSE(readWholeFile(bank.dir() + "/huge", out));
}

TEST(BankFiles, ResolvedLocationFollowsSymbolicLinks) {
  TempBank bank;
  TempBank outside;
  outside.write("secret.wav", Bytes(4, 1));
  bank.write("s/in.wav", Bytes(4, 2));
  bank.symlink(outside.dir() + "/secret.wav", "out.wav");
  bank.symlink("s/in.wav", "alias.wav");
  bank.symlink(outside.dir(), "elsewhere");
  const std::string root = resolveDirectory(bank.dir());
  std::string real;
  EXPECT_EQ(resolveBankFile(root, "alias.wav", real), ResolvedLocation::kInside);
  EXPECT_EQ(real, root + "/s/in.wav");
  EXPECT_EQ(resolveBankFile(root, "out.wav", real), ResolvedLocation::kOutside);
  EXPECT_EQ(resolveBankFile(root, "elsewhere/secret.wav", real), ResolvedLocation::kOutside);
  EXPECT_EQ(resolveBankFile(root, "missing.wav", real), ResolvedLocation::kUnresolved);
  // The bank directory itself is inside, but it is not a file to read.
  EXPECT_EQ(resolveBankFile(root, ".", real), ResolvedLocation::kUnresolved);
  EXPECT_EQ(resolveBankFile(root, "s/.", real), ResolvedLocation::kUnresolved);
  // A neighbour whose name starts with the bank's name is still outside.
  TempBank holder;
  holder.write("b/in.wav", Bytes(1, 0));
  holder.write("bx/secret.wav", Bytes(1, 0));
  holder.symlink("../bx/secret.wav", "b/link.wav");
  EXPECT_EQ(resolveBankFile(resolveDirectory(holder.dir() + "/b"), "link.wav", real),
            ResolvedLocation::kOutside);
  EXPECT_EQ(resolveBankFile(resolveDirectory(holder.dir() + "/b"), "in.wav", real),
            ResolvedLocation::kInside);
}
