// The message bus: a query's answer travels as bag-encoded messages to the sender's handler,
// whose reply thread delivers them one at a time; the transport decodes only complete answers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "host/CDiscoDataReqHandler.h"
#include "host/CTolAtom.h"
#include "host/CTolBag.h"
#include "host/CTolEngine.h"
#include "host/CTolErrorSink.h"
#include "host/CTolMessage.h"
#include "host/CTolPointer.h"
#include "host/CTolQryInfo.h"
#include "host/CTolRecord.h"
#include "host/CTolTransport.h"
#include "host/CTolVarBind.h"

namespace {

const char kSubject[] = "TOLVANE.3.0.DISCO.QUERY";
const char kQuery[] = "select m_IpAddress from translations.ipToBaseName where (m_InScope = 1 );";

// Takes the bag's atoms (the taker deletes them) and gives their bytes, in order.
std::vector<std::string> TakeEntries(CTolBag* bag) {
  std::vector<std::string> out;
  CTolDoubleList* entries = bag->RBIterator();
  for (CTolListable* e = entries->RDLHead(); e != nullptr; e = entries->RDLGetNext(e)) {
    std::unique_ptr<CTolAtom> atom(static_cast<CTolAtom*>(static_cast<CTolPointer*>(e)->RPData()));
    const unsigned char* bytes = nullptr;
    int length = 0;
    EXPECT_EQ(atom->RAUChar(&bytes, &length), 1);
    out.emplace_back(reinterpret_cast<const char*>(bytes), length);
  }
  return out;
}

// What the reply callback saw; `faults` names each broken delivery rule.
struct Receiver {
  std::thread::id senderThread;
  std::shared_future<void> sendReturned;
  CTolTransport transport{nullptr};
  std::atomic<int> running{0};
  int calls = 0, bags = 0;
  std::string faults;
  std::vector<std::string> decoded;  // m_IpAddress of each record of the complete answer
};

void OnReply(void* infoPtr, void* app) {
  std::unique_ptr<CTolQryInfo> info(static_cast<CTolQryInfo*>(infoPtr));
  Receiver* r = static_cast<Receiver*>(app);
  if (++r->running > 1) r->faults += "overlapping calls;";
  // A send that waited for its callbacks, or ran them itself, would keep this wait from ending.
  if (r->sendReturned.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    r->faults += "called before the send returned;";
  }
  if (std::this_thread::get_id() == r->senderThread) r->faults += "on the sender's thread;";
  const CTolMessage* m = info->RQIDatum();
  if (m->sequence != r->calls) r->faults += "out of order;";
  EXPECT_EQ(r->transport.RTAddMessage(m), 1);
  if (r->transport.RTDone() != (m->sequence == m->total - 1)) r->faults += "done too early;";
  if (r->transport.RTDone()) {
    std::unique_ptr<CTolBag> bag(r->transport.RTDecodes());
    r->transport.RTPurge();
    ASSERT_NE(bag, nullptr);
    ++r->bags;
    for (const std::string& bytes : TakeEntries(bag.get())) {
      CTolRecord record;
      auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
      EXPECT_EQ(record.ROMDecode(data, static_cast<int>(bytes.size())), 1);
      r->decoded.push_back(record.RRValueOf("m_IpAddress")->RAText());
    }
  }
  ++r->calls;
  --r->running;
}

// Answers kQuery on kSubject with `rows` records whose m_IpAddress is 127.0.0.<row>.
void Serve(CTolEngine* engine, int rows) {
  engine->RERegisterQueryService(
      kSubject, [rows](const std::string& query, std::vector<CTolRecord*>* out) {
        EXPECT_EQ(query, kQuery);
        for (int i = 0; i < rows; ++i) {
          CTolRecord* rec = new CTolRecord();
          rec->RRAddValue(new CTolVarBind("m_IpAddress", ("127.0.0." + std::to_string(i)).c_str()));
          out->push_back(rec);
        }
        return 1;
      });
}

class BusTest : public ::testing::Test {
 protected:
  int Send() {
    receiver.senderThread = std::this_thread::get_id();
    receiver.sendReturned = sendReturned.get_future().share();
    int rc = CTolQryInfo::RQISendOQL(kQuery, kSubject, &handler, &engine, nullptr, true);
    sendReturned.set_value();
    handler.DDRWaitIdle();
    return rc;
  }
  CTolEngine engine;
  Receiver receiver;
  std::promise<void> sendReturned;
  CDiscoDataReqHandler handler{1, OnReply, &receiver};
};

TEST_F(BusTest, AnswerInSeveralMessagesIsDeliveredInOrderOneAtATime) {
  Serve(&engine, 20);
  engine.RESetMaxMessageBytes(64);
  ASSERT_EQ(Send(), 1);
  ASSERT_GT(receiver.calls, 2);
  EXPECT_EQ(receiver.faults, "");
  EXPECT_EQ(receiver.bags, 1);
  ASSERT_EQ(receiver.decoded.size(), 20u);
  EXPECT_EQ(receiver.decoded.front(), "127.0.0.0");
  EXPECT_EQ(receiver.decoded.back(), "127.0.0.19");
  EXPECT_EQ(engine.REQueryCount(kSubject), 1);
}

TEST_F(BusTest, EmptyAnswerIsOneMessageWithAnEmptyBag) {
  Serve(&engine, 0);
  ASSERT_EQ(Send(), 1);
  EXPECT_EQ(receiver.calls, 1);
  EXPECT_EQ(receiver.bags, 1);
  EXPECT_TRUE(receiver.decoded.empty());
}

TEST_F(BusTest, FailedSendsPostNothing) {
  EXPECT_EQ(CTolQryInfo::RQISendOQL("q", kSubject, &handler, &engine, nullptr, true),
            TOL_ERR_FAILED);  // nobody serves the subject
  EXPECT_EQ(CTolQryInfo::RQISendOQL("q", kSubject, &handler, nullptr, nullptr, true), TOL_ERR_NULL);
  engine.RERegisterQueryService(kSubject, [](const std::string&, std::vector<CTolRecord*>* out) {
    out->push_back(new CTolRecord());  // freed by the engine although the service fails
    return TOL_ERR_FAILED;
  });
  EXPECT_EQ(CTolQryInfo::RQISendOQL("q", kSubject, &handler, &engine, nullptr, true),
            TOL_ERR_FAILED);
  handler.DDRWaitIdle();
  EXPECT_EQ(receiver.calls, 0);
}

CTolMessage Msg(unsigned long id, int seq, int total, const std::string& payload) {
  return CTolMessage{id, seq, total, payload, nullptr};
}

TEST(Transport, GathersOneAnswerAndRefusesBadMessages) {
  std::string payload = CTolBag::RBEncode({"first", "second", ""});
  CTolTransport t(nullptr);
  EXPECT_EQ(t.RTAddMessage(nullptr), TOL_ERR_NULL);
  CTolMessage outOfRange = Msg(7, 2, 2, ""), noTotal = Msg(7, 0, 0, "");
  EXPECT_EQ(t.RTAddMessage(&outOfRange), TOL_ERR_PROTOCOL);
  EXPECT_EQ(t.RTAddMessage(&noTotal), TOL_ERR_PROTOCOL);
  CTolMessage stale = Msg(6, 0, 2, "stale");  // an older, unfinished answer is dropped
  ASSERT_EQ(t.RTAddMessage(&stale), 1);
  CTolMessage parts[] = {Msg(7, 1, 3, payload.substr(5, 5)), Msg(7, 2, 3, payload.substr(10)),
                         Msg(7, 0, 3, payload.substr(0, 5))};
  ASSERT_EQ(t.RTAddMessage(&parts[0]), 1);
  EXPECT_EQ(t.RTAddMessage(&parts[0]), TOL_ERR_PROTOCOL);  // repeated
  CTolMessage otherTotal = Msg(7, 0, 4, "");
  EXPECT_EQ(t.RTAddMessage(&otherTotal), TOL_ERR_PROTOCOL);
  ASSERT_EQ(t.RTAddMessage(&parts[1]), 1);
  EXPECT_FALSE(t.RTDone());
  EXPECT_EQ(t.RTDecodes(), nullptr);
  ASSERT_EQ(t.RTAddMessage(&parts[2]), 1);
  ASSERT_TRUE(t.RTDone());
  std::unique_ptr<CTolBag> bag(t.RTDecodes());
  ASSERT_NE(bag, nullptr);
  EXPECT_EQ(TakeEntries(bag.get()), (std::vector<std::string>{"first", "second", ""}));
  t.RTPurge();
  EXPECT_FALSE(t.RTDone());
  // A complete answer whose payload is malformed decodes to null.
  for (const std::string& payload : {std::string("\0\0", 2), std::string("\0\0\0\tabc", 7)}) {
    CTolMessage m = Msg(1, 0, 1, payload);
    ASSERT_EQ(t.RTAddMessage(&m), 1);
    EXPECT_EQ(t.RTDecodes(), nullptr);
    t.RTPurge();
  }
}

// Counts live replies, to see that each is freed exactly once.
std::atomic<int> g_LiveInfos{0};
struct CountedInfo : CTolQryInfo {
  CountedInfo() : CTolQryInfo(nullptr) { ++g_LiveInfos; }
  ~CountedInfo() override { --g_LiveInfos; }
};

struct Gate {
  std::promise<void> entered, release;
  std::atomic<int> calls{0};
};

void BlockingReply(void* info, void* app) {
  Gate* g = static_cast<Gate*>(app);
  delete static_cast<CTolQryInfo*>(info);
  if (g->calls++ == 0) {
    g->entered.set_value();
    g->release.get_future().wait();
  }
}

TEST(DataReqHandler, DestructionWaitsForTheCallbackAndDropsQueuedReplies) {
  Gate gate;
  { CDiscoDataReqHandler idle(1, BlockingReply, &gate); }  // idle: nothing to wait for
  CDiscoDataReqHandler noCallback(1, nullptr, nullptr);    // replies are just freed
  noCallback.DDRPost(new CountedInfo());
  noCallback.DDRWaitIdle();
  EXPECT_EQ(g_LiveInfos.load(), 0);
  auto* handler = new CDiscoDataReqHandler(1, BlockingReply, &gate);
  handler->DDRPost(new CountedInfo());
  gate.entered.get_future().wait();  // the callback is running and will not return by itself
  handler->DDRPost(new CountedInfo());
  handler->DDRPost(new CountedInfo());
  std::atomic<bool> destroyed{false};
  std::thread destroyer([&] {
    delete handler;
    destroyed = true;
  });
  // Once the handler is shutting down it frees a posted reply at once: that marks the moment.
  while (true) {
    int before = g_LiveInfos.load();
    handler->DDRPost(new CountedInfo());
    if (g_LiveInfos.load() == before) break;
    std::this_thread::yield();
  }
  EXPECT_FALSE(destroyed.load());  // still waiting for the callback
  gate.release.set_value();
  destroyer.join();
  EXPECT_EQ(gate.calls.load(), 1);  // the queued replies were not delivered
  EXPECT_EQ(g_LiveInfos.load(), 0);
}

// A reader that loses the first message it is given (drops it, or throws on it), as a faulty
// reply callback would; it counts the answers it could decode whole.
struct LossyReader {
  bool throwInstead = false;
  CTolTransport transport{nullptr};
  int seen = 0, bags = 0;
  size_t rows = 0;
};

void OnLossyReply(void* infoPtr, void* app) {
  std::unique_ptr<CTolQryInfo> info(static_cast<CTolQryInfo*>(infoPtr));
  LossyReader* r = static_cast<LossyReader*>(app);
  if (r->seen++ == 0) {
    if (r->throwInstead) throw std::runtime_error("reader failed");
    return;
  }
  r->transport.RTAddMessage(info->RQIDatum());
  if (!r->transport.RTDone()) return;
  std::unique_ptr<CTolBag> bag(r->transport.RTDecodes());
  r->transport.RTPurge();
  if (bag == nullptr) return;
  ++r->bags;
  r->rows = bag->RBSize();
}

TEST(DataReqHandler, AnAnswerNeverReadWholeIsReplacedByAnEmptyOne) {
  for (bool throwInstead : {false, true}) {
    CTolScopedErrorLog errors;  // the reply thread reports to the process's sink
    CTolEngine engine;
    engine.RESetMaxMessageBytes(64);
    Serve(&engine, 20);
    LossyReader reader;
    reader.throwInstead = throwInstead;
    {
      CDiscoDataReqHandler handler(1, OnLossyReply, &reader);
      ASSERT_EQ(CTolQryInfo::RQISendOQL(kQuery, kSubject, &handler, &engine, nullptr, true), 1);
      handler.DDRWaitIdle();
    }
    // The 20 rows never arrived whole: the reader got an empty answer instead, and only one.
    EXPECT_EQ(reader.bags, 1) << throwInstead;
    EXPECT_EQ(reader.rows, 0u);
    EXPECT_TRUE(errors.Contains(TOL_ERR_FAILED, "an empty answer takes its place"));
  }
}

}  // namespace
