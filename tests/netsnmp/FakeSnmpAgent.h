// A minimal SNMP v1/v2c agent on a loopback UDP socket that answers every request from a test's
// function, so that tests can make an agent misbehave in exact ways (identifiers that do not
// increase, tooBig, silence). Requests are read with net-snmp's parser; answers are built
// octet by octet, so that they can be anything. Community strings are not checked.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

struct FakeRequest {
  int version = 0;          // 0 for SNMPv1, 1 for SNMPv2c
  int pduType = 0;          // 0xA0 GET, 0xA1 GETNEXT, 0xA5 GETBULK
  long maxRepetitions = 0;  // GETBULK only
  std::vector<std::vector<unsigned long>> oids;
};

struct FakeVarBind {
  std::vector<unsigned long> oid;
  unsigned char tag = 0x05;  // BER tag of the value; 0: `content` is the whole value element
  std::string content;       // BER content octets of the value
};

struct FakeResponse {
  bool drop = false;  // send nothing
  long errorStatus = 0;
  long errorIndex = 0;
  std::vector<FakeVarBind> varbinds;
};

class FakeSnmpAgent {
 public:
  using Handler = std::function<FakeResponse(const FakeRequest&)>;
  // The whole datagram to answer a request with, given the request's ID; "" sends nothing.
  using RawHandler = std::function<std::string(const FakeRequest&, long requestId)>;

  // Binds 127.0.0.1 on a free port and answers on a thread of its own (running `handler`) until
  // destroyed.
  explicit FakeSnmpAgent(Handler handler);
  // An agent answering with whatever `raw` makes, octet by octet.
  explicit FakeSnmpAgent(RawHandler raw);
  ~FakeSnmpAgent();
  FakeSnmpAgent(const FakeSnmpAgent&) = delete;
  FakeSnmpAgent& operator=(const FakeSnmpAgent&) = delete;

  int Port() const { return m_Port; }
  int Requests() const { return m_Requests.load(); }  // requests decoded so far

 private:
  FakeSnmpAgent(Handler handler, RawHandler raw);
  void Serve();

  Handler m_Handler;
  RawHandler m_Raw;
  int m_Socket = -1;
  int m_Port = 0;
  std::atomic<bool> m_Stop{false};
  std::atomic<int> m_Requests{0};
  std::thread m_Thread;
};

// An agent holding `rows` (sorted by identifier): GET answers the row asked for, GETNEXT and
// GETBULK the rows after it; the end of the MIB view is noSuchName on v1, endOfMibView on v2c.
// Bulk requests for more than `tooBigAbove` repetitions (when positive) are refused with tooBig.
FakeSnmpAgent::Handler FakeTable(std::vector<FakeVarBind> rows, long tooBigAbove = 0);
