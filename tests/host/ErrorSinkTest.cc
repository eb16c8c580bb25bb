// CTolError and its sinks: the thread's own sink first, else the process sink, else nothing.
#include <gtest/gtest.h>

#include <thread>

#include "host/CTolError.h"
#include "host/CTolErrorSink.h"
#include "host/TolTypes.h"

TEST(ErrorSinkTest, ReportCarriesCodeSourceLineAndText) {
  CTolScopedErrorLog log;
  CTolError(TOL_ERR_FAILED, "CDiscoSwitchAgent", 12, "Ping list empty");
  EXPECT_EQ(TOL_ERR_NULL, CTolError(TOL_ERR_NULL, nullptr, 7, nullptr).RECode());
  auto records = log.Records();
  ASSERT_EQ(2u, records.size());
  EXPECT_EQ(12, records[0].line);
  EXPECT_TRUE(log.Contains(TOL_ERR_FAILED, "list"));
  EXPECT_FALSE(log.Contains(TOL_ERR_NULL, "list"));
  EXPECT_EQ("", records[1].source);
  EXPECT_EQ("", records[1].text);
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
  EXPECT_TRUE(own.Contains(1) && !own.Contains(2));
  EXPECT_TRUE(process.Contains(2) && !process.Contains(1) && !process.Contains(3));
  // Without a thread sink the process sink gets it; with neither the report is dropped.
  EXPECT_EQ(&own, TolSetThreadErrorSink(nullptr));
  CTolError(4, "main", 1, nullptr);
  EXPECT_TRUE(process.Contains(4));
  EXPECT_EQ(&process, TolSetProcessErrorSink(nullptr));
  CTolError(5, "main", 1, nullptr);
  EXPECT_FALSE(process.Contains(5) || own.Contains(5));
  TolSetThreadErrorSink(oldThread);
  TolSetProcessErrorSink(oldProcess);

  // Scoped logs catch every thread's reports, nest, and restore the outer log when done.
  CTolScopedErrorLog outer;
  {
    CTolScopedErrorLog inner;
    CTolError(6, "x", 1, nullptr);
    std::thread([] { CTolError(7, "x", 1, nullptr); }).join();
    EXPECT_TRUE(inner.Contains(6) && inner.Contains(7));
  }
  CTolError(8, "x", 1, nullptr);
  std::thread([] { CTolError(9, "x", 1, nullptr); }).join();
  EXPECT_FALSE(outer.Contains(6));
  EXPECT_TRUE(outer.Contains(8) && outer.Contains(9));
}
