// The pollers' job queue on the test's PostgreSQL database, its pollers as connections of their
// own: what a lapsed lease, the first stage and the end of a run allow.
#include <chrono>
#include <thread>

#include "StoreFixture.h"
#include "engine/store/JobQueue.h"

namespace {

using disco::store::DeviceResult;
using disco::store::JobQueue;
using disco::store::QueuedDevice;
using disco::store::TakeFilter;
using disco::store::TakenJob;

class JobQueueTest : public StoreTest {
 protected:
  std::unique_ptr<JobQueue> Poller(const std::string& name, double lease = 60) {
    std::string error;
    auto queue = JobQueue::Open(Target(), name, lease, 2, &error);
    EXPECT_NE(queue, nullptr) << error;
    return queue;
  }
  std::vector<TakenJob> Take(JobQueue& queue, int limit = 1) {
    std::vector<TakenJob> jobs;
    std::string error;
    TakeFilter filter;
    filter.limit = limit;
    EXPECT_TRUE(queue.Take(filter, &jobs, &error)) << error;
    return jobs;
  }
  std::int64_t Enqueue(JobQueue& queue, int devices) {
    std::vector<QueuedDevice> jobs;
    for (int i = 0; i < devices; ++i)
      jobs.push_back({"sw-" + std::to_string(i), "10.0.0.1", "", 161, "{}"});
    std::string error;
    std::int64_t run = queue.Enqueue("test", "{}", jobs, &error);
    EXPECT_NE(run, 0) << error;
    return run;
  }
  static DeviceResult Result(int order) {
    DeviceResult r;
    r.order = order;
    r.results = "{}";
    r.summary = std::string("\x01\xbb summary", 10);  // the encoded summary is bytes
    r.topology = r.inventory = r.facts = "null";
    return r;
  }
};

// A job whose lease lapsed goes to the next poller; the first one's late write is refused and
// the device is written once. The second stage waits for the first stage of every job.
TEST_P(JobQueueTest, ALapsedLeaseMovesTheJobAndTheLateWriteIsRefused) {
  auto slow = Poller("slow", 0.3), quick = Poller("quick");
  std::int64_t run = Enqueue(*slow, 2);
  std::vector<TakenJob> first = Take(*slow);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].stage, "arp");
  std::vector<TakenJob> other = Take(*quick, 5);
  ASSERT_EQ(other.size(), 1u);  // the other job; the first is leased
  EXPECT_EQ(other[0].order, 1);
  std::string error;
  ASSERT_EQ(quick->FinishArp(other[0], "{\"pairs\": []}", &error), JobQueue::Finished::kDone);
  EXPECT_TRUE(Take(*quick).empty()) << "the second stage waits for device 0's first";

  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the 0.3 s lease lapses
  std::vector<TakenJob> again = Take(*quick);
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].order, 0);
  EXPECT_EQ(again[0].attempts, 2);
  EXPECT_EQ(slow->FinishArp(first[0], "{}", &error), JobQueue::Finished::kLost);
  ASSERT_EQ(quick->FinishArp(again[0], "{}", &error), JobQueue::Finished::kDone);

  std::vector<TakenJob> second = Take(*quick, 5);
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0].stage, "discover");
  EXPECT_EQ(slow->FinishDevice(second[0], Result(0), &error), JobQueue::Finished::kLost);
  EXPECT_EQ(quick->FinishDevice(second[0], Result(0), &error), JobQueue::Finished::kDone);
  EXPECT_EQ(quick->FinishDevice(second[0], Result(0), &error), JobQueue::Finished::kLost)
      << "a device is written once";
  EXPECT_EQ(Count("SELECT count(*) FROM queue_device_results WHERE run = " + std::to_string(run)),
            1);
  std::vector<std::string> arp;
  ASSERT_TRUE(quick->RunArp(run, &arp, &error)) << error;
  EXPECT_EQ(arp, (std::vector<std::string>{"{}", "{\"pairs\": []}"}));
}

// A job given back with its attempts used up is failed with the reason; the run's end is then
// claimed by one poller only, and its results come back as written.
TEST_P(JobQueueTest, AFailedJobAndOneEndPerRun) {
  auto a = Poller("a"), b = Poller("b");
  std::int64_t run = Enqueue(*a, 2);
  std::string error;
  for (int attempt = 1; attempt <= 2; ++attempt) {
    std::vector<TakenJob> jobs = Take(*a);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].attempts, attempt);
    ASSERT_TRUE(a->Release(jobs[0], "no answer", true, &error)) << error;
  }
  std::vector<TakenJob> jobs = Take(*a);
  ASSERT_EQ(jobs.size(), 1u);
  ASSERT_TRUE(a->FinishArp(jobs[0], "{}", &error) == JobQueue::Finished::kDone) << error;
  std::int64_t claimed = 0;
  ASSERT_TRUE(a->ClaimRunEnd(&claimed, &error)) << error;
  EXPECT_EQ(claimed, 0) << "a job is still queued";
  jobs = Take(*a);
  ASSERT_EQ(jobs.size(), 1u);
  ASSERT_EQ(a->FinishDevice(jobs[0], Result(1), &error), JobQueue::Finished::kDone) << error;

  std::int64_t byA = 0, byB = 0;
  ASSERT_TRUE(b->ClaimRunEnd(&byB, &error)) << error;
  ASSERT_TRUE(a->ClaimRunEnd(&byA, &error)) << error;
  EXPECT_EQ(byB, run);
  EXPECT_EQ(byA, 0);
  std::vector<DeviceResult> results;
  auto collect = [&results](DeviceResult&& r, std::string*) {
    results.push_back(std::move(r));
    return true;
  };
  std::vector<QueuedDevice> devices;
  std::vector<std::string> failed;
  ASSERT_TRUE(a->RunDevices(run, &devices, &failed, &error)) << error;
  EXPECT_EQ(failed, (std::vector<std::string>{"no answer", ""}));
  ASSERT_TRUE(a->RunResults(run, true, collect, &error)) << error;
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].summary, Result(1).summary);
  results.clear();
  ASSERT_TRUE(a->RunResults(run, false, collect, &error)) << error;
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].summary, "");  // the end of a run reads the extracts only
  EXPECT_EQ(results[0].topology, Result(1).topology);
  std::int64_t ended = 0;
  EXPECT_FALSE(a->RunEnded(run, &ended, &error)) << "not complete yet";
  EXPECT_EQ(a->CompleteRun(run, 1234, 0, &error), JobQueue::Finished::kLost) << "b claimed it";
  ASSERT_EQ(b->CompleteRun(run, 1234, 0, &error), JobQueue::Finished::kDone) << error;
  ASSERT_TRUE(a->RunEnded(run, &ended, &error)) << error;
  EXPECT_EQ(ended, 1234);
}

// The results of a run come a page at a time, every device once and in plan order, whatever
// order the pollers wrote them in.
TEST_P(JobQueueTest, RunResultsComePageByPageInPlanOrder) {
  auto q = Poller("p");
  std::string error;
  std::int64_t run = Enqueue(*q, 5);
  for (const TakenJob& job : Take(*q, 5)) {
    ASSERT_EQ(q->FinishArp(job, "{}", &error), JobQueue::Finished::kDone) << error;
  }
  std::vector<TakenJob> jobs = Take(*q, 5);
  ASSERT_EQ(jobs.size(), 5u);
  for (auto job = jobs.rbegin(); job != jobs.rend(); ++job) {
    ASSERT_EQ(q->FinishDevice(*job, Result(job->order), &error), JobQueue::Finished::kDone);
  }
  q->SetResultsBatch(2);
  std::vector<int> orders;
  ASSERT_TRUE(q->RunResults(
      run, true,
      [&orders](DeviceResult&& r, std::string*) {
        orders.push_back(r.order);
        return true;
      },
      &error))
      << error;
  EXPECT_EQ(orders, (std::vector<int>{0, 1, 2, 3, 4}));
  // A sink that refuses a device stops the reading with its reason.
  int handed = 0;
  EXPECT_FALSE(q->RunResults(
      run, false,
      [&handed](DeviceResult&&, std::string* why) {
        *why = "full";
        return ++handed < 3;
      },
      &error));
  EXPECT_EQ(handed, 3);
  EXPECT_EQ(error, "full");
}

INSTANTIATE_TEST_SUITE_P(Stores, JobQueueTest, testing::Values(Backend::kPostgres), BackendName);

}  // namespace
