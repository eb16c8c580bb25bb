// Temporary files and child processes leave nothing behind: a file has no name until it is
// published, a child is killed and reaped when a stop comes, and what exists for a moment is
// removed by RemoveLeftovers (the second Ctrl-C's handler).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "engine/tidy/ChildProcess.h"
#include "engine/tidy/Leftovers.h"
#include "engine/tidy/TemporaryFile.h"
#include "support/TempDir.h"

namespace {

using disco::ChildProcess;
using disco::TemporaryFile;
namespace fs = std::filesystem;

size_t Entries(const std::string& dir) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

bool Alive(pid_t pid) { return kill(pid, 0) == 0; }

TEST(LeftoversTest, AFileHasNoNameUntilPublishedAndTakesTheUmask) {
  TempDir dir;
  std::string target = dir.Write("out", "old");
  mode_t previous = umask(077);
  std::string error;
  {
    std::unique_ptr<TemporaryFile> dropped = TemporaryFile::Beside(target, 0666, &error);
    ASSERT_NE(dropped, nullptr) << error;
    ASSERT_EQ(write(dropped->Fd(), "lost", 4), 4);
    EXPECT_EQ(Entries(dir.Path()), 1u);  // nothing named beside the target
  }
  std::unique_ptr<TemporaryFile> file = TemporaryFile::Beside(target, 0666, &error);
  umask(previous);
  ASSERT_NE(file, nullptr) << error;
  ASSERT_EQ(write(file->Fd(), "new", 3), 3);
  EXPECT_EQ(ReadFile(target), "old");
  ASSERT_TRUE(file->Publish(&error)) << error;
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_EQ(Entries(dir.Path()), 1u);
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(TemporaryFile::Beside(dir.Path() + "/none/x", 0666, &error), nullptr);
  EXPECT_EQ(error, "No such file or directory");
}

TEST(LeftoversTest, RecordedNamesAndChildrenAreRemoved) {
  TempDir dir;
  std::string kept = dir.Write("kept", "x"), recorded = dir.Write("recorded", "x");
  int forgotten = disco::RecordName(kept.c_str());
  ASSERT_GE(forgotten, 0);
  disco::ForgetName(forgotten);
  int slot = disco::RecordName(recorded.c_str());
  ASSERT_GE(slot, 0);
  ChildProcess child;
  std::string error;
  ASSERT_TRUE(child.Start({"tail", "-f", "/dev/null"}, 0, 1, 2, &error)) << error;
  pid_t pid = child.Pid();
  disco::RemoveLeftovers();
  disco::ForgetName(slot);
  EXPECT_TRUE(fs::exists(kept));
  EXPECT_FALSE(fs::exists(recorded));
  EXPECT_FALSE(Alive(pid));  // killed and reaped: not even a zombie
  int status = 0;
  EXPECT_EQ(child.Wait({}, &status), ChildProcess::End::kStopped);
}

TEST(LeftoversTest, AChildIsWaitedForOrKilledAtAStop) {
  std::string error;
  ChildProcess exits;
  ASSERT_TRUE(exits.Start({"sh", "-c", "exit 3"}, 0, 1, 2, &error)) << error;
  int status = 0;
  ASSERT_EQ(exits.Wait([] { return false; }, &status), ChildProcess::End::kExited);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3);

  ChildProcess endless;
  ASSERT_TRUE(endless.Start({"tail", "-f", "/dev/null"}, 0, 1, 2, &error)) << error;
  pid_t pid = endless.Pid();
  int polls = 0;
  EXPECT_EQ(endless.Wait([&polls] { return ++polls == 3; }, &status), ChildProcess::End::kStopped);
  EXPECT_FALSE(Alive(pid));

  {
    ChildProcess abandoned;
    ASSERT_TRUE(abandoned.Start({"tail", "-f", "/dev/null"}, 0, 1, 2, &error)) << error;
    pid = abandoned.Pid();
  }
  EXPECT_FALSE(Alive(pid));

  ChildProcess missing;
  EXPECT_FALSE(missing.Start({"no-such-program-here"}, 0, 1, 2, &error));
  EXPECT_EQ(error, "no program no-such-program-here on the PATH");
}

}  // namespace
