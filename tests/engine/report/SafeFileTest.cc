// Files written whole or not at all: links are replaced, never followed; pipes are written to,
// never replaced; a failed write leaves the old file and no temporary behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <future>

#include "engine/report/SafeFile.h"
#include "support/TempDir.h"

namespace {

using disco::WriteAll;
using disco::WriteFileWhole;
namespace fs = std::filesystem;

// What WriteFileWhole is given to write `text`.
std::function<bool(int, std::string*)> Writes(const std::string& text) {
  return [text](int fd, std::string*) { return WriteAll(fd, text); };
}

TEST(SafeFileTest, LinksAreReplacedAndPipesWrittenTo) {
  TempDir dir;
  std::string victim = dir.Write("victim", "keep me");
  std::string link = dir.Path() + "/out.json";
  ASSERT_EQ(symlink(victim.c_str(), link.c_str()), 0);
  std::string why;
  ASSERT_TRUE(WriteFileWhole(link, Writes("new"), &why)) << why;
  EXPECT_EQ(ReadFile(victim), "keep me");
  EXPECT_FALSE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(link), "new");

  std::string fifo = dir.Path() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  auto reader = std::async(std::launch::async, [&fifo] { return ReadFile(fifo); });
  ASSERT_TRUE(WriteFileWhole(fifo, Writes("piped"), &why)) << why;
  EXPECT_EQ(reader.get(), "piped");
  struct stat st;
  ASSERT_EQ(stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(SafeFileTest, AFailedWriteKeepsTheOldFileAndLeavesNothingBehind) {
  TempDir dir;
  std::string target = dir.Write("results.json", "old");
  std::string why;
  EXPECT_FALSE(WriteFileWhole(
      target,
      [](int fd, std::string* w) {
        WriteAll(fd, "half");
        *w = "disk full";
        return false;
      },
      &why));
  EXPECT_EQ(why, "disk full");
  EXPECT_EQ(ReadFile(target), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
  EXPECT_FALSE(WriteFileWhole(dir.Path() + "/no/such/folder/r.json", Writes("x"), &why));
  EXPECT_EQ(why, "No such file or directory");
}

}  // namespace
