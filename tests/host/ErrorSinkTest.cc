// CTolError and its sinks: the thread's own sink first, else the process sink, else nothing.
#include <gtest/gtest.h>

#include <thread>

#include "host/CTolError.h"
#include "host/CTolErrorSink.h"
#include "host/TolTypes.h"

TEST(ErrorSinkTest, ReportCarriesCodeSourceLineAndText) {
  CTolScopedErrorLog log;
  CTolError(TOL_ERR_FAILED, "CDiscoSwitchAgent", 12, "Ping list empty");
  CTolError error(TOL_ERR_NULL, nullptr, 7, nullptr);
  EXPECT_EQ(TOL_ERR_NULL, error.RECode());
  auto records = log.Records();
  ASSERT_EQ(2u, records.size());
  EXPECT_EQ(TOL_ERR_FAILED, records[0].code);
  EXPECT_EQ("CDiscoSwitchAgent", records[0].source);
  EXPECT_EQ(12, records[0].line);
  EXPECT_EQ("Ping list empty", records[0].text);
  EXPECT_EQ("", records[1].source);
  EXPECT_EQ("", records[1].text);
  EXPECT_TRUE(log.Contains(TOL_ERR_FAILED, "list"));
  EXPECT_FALSE(log.Contains(TOL_ERR_NULL, "list"));
  EXPECT_FALSE(log.Contains(TOL_ERR_KEY_TAKEN));
  log.Clear();
  EXPECT_TRUE(log.Records().empty());
}

TEST(ErrorSinkTest, ThreadSinkWinsOverProcessSink) {
  CTolErrorLog process, own;
  CTolErrorSink* oldProcess = TolSetProcessErrorSink(&process);
  CTolErrorSink* oldThread = TolSetThreadErrorSink(&own);

  CTolError(1, "main", 1, nullptr);
  std::thread([] { CTolError(2, "worker", 1, nullptr); }).join();
  std::thread([] {
    CTolErrorLog workerOwn;
    TolSetThreadErrorSink(&workerOwn);
    CTolError(3, "worker", 1, nullptr);
    TolSetThreadErrorSink(nullptr);
    EXPECT_TRUE(workerOwn.Contains(3));
  }).join();
  EXPECT_TRUE(own.Contains(1));
  EXPECT_FALSE(own.Contains(2));
  EXPECT_TRUE(process.Contains(2));
  EXPECT_FALSE(process.Contains(1));
  EXPECT_FALSE(process.Contains(3));

  // Without a thread sink the process sink gets it; with neither the report is dropped.
  EXPECT_EQ(&own, TolSetThreadErrorSink(nullptr));
  CTolError(4, "main", 1, nullptr);
  EXPECT_TRUE(process.Contains(4));
  EXPECT_EQ(&process, TolSetProcessErrorSink(nullptr));
  CTolError(5, "main", 1, nullptr);
  EXPECT_FALSE(process.Contains(5));
  EXPECT_FALSE(own.Contains(5));

  TolSetThreadErrorSink(oldThread);
  TolSetProcessErrorSink(oldProcess);
}

TEST(ErrorSinkTest, ScopedLogsNestAndRestore) {
  CTolScopedErrorLog outer;
  {
    CTolScopedErrorLog inner;
    CTolError(1, "x", 1, nullptr);
    std::thread([] { CTolError(2, "x", 1, nullptr); }).join();
    EXPECT_TRUE(inner.Contains(1));
    EXPECT_TRUE(inner.Contains(2));
  }
  CTolError(3, "x", 1, nullptr);
  std::thread([] { CTolError(4, "x", 1, nullptr); }).join();
  EXPECT_FALSE(outer.Contains(1));
  EXPECT_TRUE(outer.Contains(3));
  EXPECT_TRUE(outer.Contains(4));
}
