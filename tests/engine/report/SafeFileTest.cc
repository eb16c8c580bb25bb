// Files written whole or not at all: links are replaced, never followed; pipes are written to,
// never replaced, and one nobody reads fails instead of hanging; a failed write leaves the old
// file and no temporary behind; a new file takes the umask, a replaced one keeps its mode. The
// checks before a run refuse targets that are no regular file and outputs that collide.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "engine/report/OutputTargets.h"
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
  EXPECT_FALSE(WriteFileWhole(fifo, Writes("nobody reads"), &why));  // would hang in open()
  EXPECT_EQ(why, "No such device or address");
  int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_TRUE(WriteFileWhole(fifo, Writes("piped"), &why)) << why;
  char piped[16] = {};
  EXPECT_EQ(read(reader, piped, sizeof piped), 5);
  EXPECT_STREQ(piped, "piped");
  close(reader);
  struct stat st;
  ASSERT_EQ(stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(SafeFileTest, ANewFileTakesTheUmaskAndAReplacedOneKeepsItsMode) {
  TempDir dir;
  std::string secret = dir.Write("secret.json", "old"), shared = dir.Write("shared.json", "old");
  ASSERT_EQ(chmod(secret.c_str(), 0600), 0);
  ASSERT_EQ(chmod(shared.c_str(), 0664), 0);
  mode_t previous = umask(077);
  std::string why;
  bool written = WriteFileWhole(dir.Path() + "/new.json", Writes("x"), &why) &&
                 WriteFileWhole(secret, Writes("x"), &why) &&
                 WriteFileWhole(shared, Writes("x"), &why);
  umask(previous);
  ASSERT_TRUE(written) << why;
  for (auto [name, mode] : {std::pair<const char*, mode_t>{"new.json", 0600},
                            {"secret.json", 0600},
                            {"shared.json", 0664}}) {
    struct stat st;
    ASSERT_EQ(stat((dir.Path() + "/" + name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, mode) << name;
  }
  EXPECT_EQ(ReadFile(shared), "x");
}

TEST(SafeFileTest, TargetsThatAreNoRegularFileOrCollideAreRefused) {
  TempDir dir;
  std::string d = dir.Path();
  std::string results = dir.Write("r.json", "");
  ASSERT_EQ(mkfifo((d + "/fifo").c_str(), 0600), 0);
  ASSERT_EQ(link(results.c_str(), (d + "/hard.json").c_str()), 0);
  ASSERT_EQ(symlink(results.c_str(), (d + "/soft.json").c_str()), 0);
  int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string sockPath = d + "/sock";
  ASSERT_LT(sockPath.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, sockPath.c_str());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  struct Case {
    std::string dot;      // the DOT target beside -o r.json; ok when `message` is empty
    std::string message;  // a fragment of the refusal
  };
  const Case cases[] = {
      {d + "/t.dot", ""},
      {d + "/fifo", "DOT file " + d + "/fifo is a FIFO"},
      {"/dev/zero", "is a character device"},
      {sockPath, "is a socket"},
      {d, "is a directory"},
      {d + "/", "is a directory"},
      {d + "/none/t.dot", "no folder " + d + "/none"},
      {d + "/./r.json", "name the same file"},
      {d + "/hard.json", "name the same file"},
      {d + "/soft.json", "name the same file"},
  };
  for (const Case& c : cases) {
    std::string error;
    bool ok =
        disco::CheckOutputTargets({{"results", "-o", results}, {"DOT", "--dot", c.dot}}, &error);
    EXPECT_EQ(ok, c.message.empty()) << c.dot << ": " << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.dot << ": " << error;
  }
  close(sock);
  std::string error;
  EXPECT_TRUE(disco::CheckOutputTargets({{"results", "-o", "-"}}, &error)) << error;
  EXPECT_FALSE(
      disco::CheckOutputTargets({{"results", "-o", "-"}, {"SVG", "--svg", "/dev/stdout"}}, &error));
  EXPECT_EQ(error, "-o - and --svg /dev/stdout name the same file; give each output its own");
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
