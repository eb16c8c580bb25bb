#include "netsnmp/FakeSnmpAgent.h"

#include <arpa/inet.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "support/BerEncoding.h"

namespace {

// Decodes a v1/v2c request with net-snmp's own parser; false for anything else. Keeps the
// request ID and community for the answer.
bool Decode(std::string packet, FakeRequest* request, long* requestId, std::string* community) {
  u_char* data = reinterpret_cast<u_char*>(packet.data());
  size_t length = packet.size();
  u_char type = 0, text[256];
  size_t textLength = sizeof(text);
  long version = -1;
  data = asn_parse_sequence(data, &length, &type, ASN_SEQUENCE | ASN_CONSTRUCTOR, "message");
  if (data != nullptr) data = asn_parse_int(data, &length, &type, &version, sizeof(version));
  if (data != nullptr) data = asn_parse_string(data, &length, &type, text, &textLength);
  if (data == nullptr || (version != SNMP_VERSION_1 && version != SNMP_VERSION_2c)) return false;
  netsnmp_pdu pdu{};
  pdu.version = version;
  const bool ok = snmp_pdu_parse(&pdu, data, &length) == 0;
  request->version = static_cast<int>(version);
  request->pduType = pdu.command;
  if (pdu.command == SNMP_MSG_GETBULK) request->maxRepetitions = pdu.max_repetitions;
  for (netsnmp_variable_list* v = pdu.variables; v != nullptr; v = v->next_variable) {
    request->oids.emplace_back(v->name, v->name + v->name_length);
  }
  snmp_free_varbind(pdu.variables);
  *requestId = pdu.reqid;
  community->assign(reinterpret_cast<const char*>(text), textLength);
  return ok;
}

std::string Encode(const FakeRequest& request, long requestId, const std::string& community,
                   const FakeResponse& response) {
  std::string list;
  for (const FakeVarBind& vb : response.varbinds) {
    list += BerTlv(0x30, BerTlv(0x06, BerOidContent(vb.oid)) +
                             (vb.tag == 0 ? vb.content : BerTlv(vb.tag, vb.content)));
  }
  std::string pdu = BerTlv(0xA2, BerInteger(requestId) + BerInteger(response.errorStatus) +
                                     BerInteger(response.errorIndex) + BerTlv(0x30, list));
  return BerTlv(0x30, BerInteger(request.version) + BerTlv(0x04, community) + pdu);
}

}  // namespace

FakeSnmpAgent::FakeSnmpAgent(Handler handler) : FakeSnmpAgent(std::move(handler), nullptr) {}

FakeSnmpAgent::FakeSnmpAgent(RawHandler raw) : FakeSnmpAgent(nullptr, std::move(raw)) {}

FakeSnmpAgent::FakeSnmpAgent(Handler handler, RawHandler raw)
    : m_Handler(std::move(handler)), m_Raw(std::move(raw)) {
  m_Socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof(sa);
  if (m_Socket < 0 || bind(m_Socket, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 ||
      getsockname(m_Socket, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
    if (m_Socket >= 0) close(m_Socket);
    throw std::runtime_error("cannot bind the fake SNMP agent");
  }
  m_Port = ntohs(sa.sin_port);
  m_Thread = std::thread([this] { Serve(); });
}

FakeSnmpAgent::~FakeSnmpAgent() {
  m_Stop = true;
  m_Thread.join();
  close(m_Socket);
}

void FakeSnmpAgent::Serve() {
  while (!m_Stop) {
    struct pollfd p = {m_Socket, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    char buffer[65536];
    sockaddr_in from{};
    socklen_t fromLen = sizeof(from);
    ssize_t n =
        recvfrom(m_Socket, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
    FakeRequest request;
    long requestId = 0;
    std::string community;
    if (n <= 0 ||
        !Decode(std::string(buffer, static_cast<size_t>(n)), &request, &requestId, &community)) {
      continue;
    }
    ++m_Requests;
    std::string reply;
    if (m_Raw) {
      reply = m_Raw(request, requestId);
    } else {
      FakeResponse response = m_Handler(request);
      if (!response.drop) reply = Encode(request, requestId, community, response);
    }
    if (reply.empty()) continue;
    sendto(m_Socket, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLen);
  }
}

FakeSnmpAgent::Handler FakeTable(std::vector<FakeVarBind> rows, long tooBigAbove) {
  return [rows, tooBigAbove](const FakeRequest& r) {
    FakeResponse out;
    if (r.oids.empty()) return out;
    const std::vector<unsigned long>& from = r.oids[0];
    if (r.pduType == SNMP_MSG_GETBULK && tooBigAbove > 0 && r.maxRepetitions > tooBigAbove) {
      out.errorStatus = SNMP_ERR_TOOBIG;
      return out;
    }
    if (r.pduType == SNMP_MSG_GET) {
      for (const FakeVarBind& row : rows) {
        if (row.oid == from) out.varbinds.push_back(row);
      }
      return out;
    }
    auto next = rows.begin();
    while (next != rows.end() && next->oid <= from) ++next;
    for (long i = 0; i < (r.pduType == SNMP_MSG_GETBULK ? r.maxRepetitions : 1); ++i, ++next) {
      if (next != rows.end()) {
        out.varbinds.push_back(*next);
      } else if (r.version == SNMP_VERSION_1) {
        return FakeResponse{false, SNMP_ERR_NOSUCHNAME, 1, {{from, ASN_NULL, ""}}};
      } else {
        out.varbinds.push_back({from, SNMP_ENDOFMIBVIEW, ""});
        break;
      }
    }
    return out;
  };
}
