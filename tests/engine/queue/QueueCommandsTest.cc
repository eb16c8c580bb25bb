// The queue subcommands' command lines: each option's value given as the next word or inline
// ("--db=...", "-j=4"), a missing value and an unknown word refused with the subcommand's usage.
// Every row stops before the store is opened, so no server is needed.
#include <gtest/gtest.h>

#include <sstream>

#include "engine/queue/QueueCommands.h"

namespace {

struct Row {
  const char* what;
  std::vector<std::string> args;
  const char* error;  // the first line of standard error
};

const char kPg[] = "postgresql://127.0.0.1:1/none";

const Row kRows[] = {
    {"enqueue name without its value",
     {"enqueue", "--name"},
     "extreme-disco enqueue: --name needs a value"},
    {"enqueue name inline, then a file store",
     {"enqueue", "--name=nightly", "--db", "store.db", "127.0.0.1"},
     "extreme-disco enqueue: a run for pollers lives in a PostgreSQL store: give --db "
     "postgresql://..."},
    {"poll db without its value", {"poll", "-q", "--db"}, "extreme-disco poll: --db needs a value"},
    {"poll jobs inline",
     {"poll", "-j=0", "--db", kPg},
     "extreme-disco poll: -j takes a number of jobs from 1 to 256"},
    {"poll level as the next word",
     {"poll", "-d", "5", "--db", kPg},
     "extreme-disco poll: -d takes a level from 0 to 4"},
    {"poll scale inline",
     {"poll", "--sleep-scale=2", "--db", kPg},
     "extreme-disco poll: --sleep-scale takes a factor from 0 to 1"},
    {"poll lease inline",
     {"poll", "--db=" + std::string(kPg), "--lease=0.1"},
     "extreme-disco poll: --lease takes seconds from 0.3 to 86400"},
    {"poll attempts as the next word",
     {"poll", "--max-attempts", "0", "--once", "--db", kPg},
     "extreme-disco poll: --max-attempts takes a count from 1 to 100"},
    {"poll flag with a value",
     {"poll", "--once=yes"},
     "extreme-disco poll: unknown argument '--once=yes'"},
    {"poll option of another name",
     {"poll", "--dbx=1"},
     "extreme-disco poll: unknown argument '--dbx=1'"},
    {"poll file store",
     {"poll", "--site", "b", "--scope=s.yaml", "--db", "store.db"},
     "extreme-disco poll: pollers share a PostgreSQL store: give --db postgresql://..."},
    {"export run without its value",
     {"export", "--db", kPg, "--run"},
     "extreme-disco export: --run needs a value"},
    {"export run inline",
     {"export", "--db=" + std::string(kPg), "--run=0"},
     "extreme-disco export: --run takes a run id of the queue (as `runs` lists it)"},
    {"export output inline, then a file store",
     {"export", "-o=-", "--run", "1", "--db=store.db"},
     "extreme-disco export: give the queue's store: --db postgresql://..."},
    {"export plain word",
     {"export", "--run", "1", "--db", kPg, "more"},
     "extreme-disco export: unknown argument 'more'"},
};

TEST(QueueCommandsTest, CommandLinesAreReadOrRefusedWithUsage) {
  for (const Row& row : kRows) {
    std::ostringstream out, err;
    EXPECT_EQ(disco::RunQueueCommand(row.args, "0", out, err), 2) << row.what;
    std::string text = err.str();
    EXPECT_EQ(text.substr(0, text.find('\n')), row.error) << row.what;
    EXPECT_NE(text.find("usage: extreme-disco " + row.args[0]), std::string::npos) << row.what;
    EXPECT_EQ(out.str(), "") << row.what;
  }
}

}  // namespace
