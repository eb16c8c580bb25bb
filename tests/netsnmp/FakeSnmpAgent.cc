#include "netsnmp/FakeSnmpAgent.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "support/BerEncoding.h"

namespace {

// Reads the TLVs of `data` one after another; once one runs past the end, `ok` stays false.
struct Reader {
  std::string data;
  size_t pos = 0;
  bool ok = true;

  std::string Next(unsigned char* tag = nullptr) {
    ok = ok && pos + 2 <= data.size();
    if (!ok) return std::string();
    if (tag != nullptr) *tag = static_cast<unsigned char>(data[pos]);
    size_t len = static_cast<unsigned char>(data[pos + 1]);
    pos += 2;
    if (len & 0x80) {
      size_t bytes = len & 0x7F;
      ok = bytes > 0 && bytes <= 4 && pos + bytes <= data.size();
      for (len = 0; ok && bytes > 0; --bytes)
        len = (len << 8) | static_cast<unsigned char>(data[pos++]);
    }
    ok = ok && pos + len <= data.size();
    if (!ok) return std::string();
    pos += len;
    return data.substr(pos - len, len);
  }
  bool AtEnd() const { return !ok || pos >= data.size(); }
};

long ParseInteger(const std::string& c) {
  unsigned long v = (!c.empty() && (c[0] & 0x80)) ? ~0ul : 0ul;
  for (char b : c) v = (v << 8) | static_cast<unsigned char>(b);
  return static_cast<long>(v);
}

std::vector<unsigned long> ParseOid(const std::string& c) {
  std::vector<unsigned long> oid;
  if (c.empty()) return oid;
  oid = {static_cast<unsigned char>(c[0]) / 40ul, static_cast<unsigned char>(c[0]) % 40ul};
  unsigned long v = 0;
  for (size_t i = 1; i < c.size(); ++i) {
    v = (v << 7) | (static_cast<unsigned char>(c[i]) & 0x7F);
    if (!(c[i] & 0x80)) {
      oid.push_back(v);
      v = 0;
    }
  }
  return oid;
}

// Decodes a v1/v2c request; false for anything else. Keeps the request ID and community.
bool Decode(const std::string& packet, FakeRequest* request, long* requestId,
            std::string* community) {
  unsigned char tag = 0, versionTag = 0, communityTag = 0, pduTag = 0;
  Reader outer{packet};
  Reader message{outer.Next(&tag)};
  request->version = static_cast<int>(ParseInteger(message.Next(&versionTag)));
  *community = message.Next(&communityTag);
  Reader pdu{message.Next(&pduTag)};
  request->pduType = pduTag;
  *requestId = ParseInteger(pdu.Next());
  pdu.Next();
  const std::string third = pdu.Next();
  if (pduTag == 0xA5) request->maxRepetitions = ParseInteger(third);
  Reader list{pdu.Next()};
  if (!outer.ok || tag != 0x30 || !message.ok || versionTag != 0x02 || communityTag != 0x04 ||
      !pdu.ok) {
    return false;
  }
  while (!list.AtEnd()) {
    Reader varbind{list.Next()};
    request->oids.push_back(ParseOid(varbind.Next(&tag)));
    if (!varbind.ok || tag != 0x06) return false;
  }
  return list.ok;
}

std::string Encode(const FakeRequest& request, long requestId, const std::string& community,
                   const FakeResponse& response) {
  std::string list;
  for (const FakeVarBind& vb : response.varbinds) {
    list += BerTlv(0x30, BerTlv(0x06, BerOidContent(vb.oid)) + BerTlv(vb.tag, vb.content));
  }
  std::string pdu = BerTlv(0xA2, BerInteger(requestId) + BerInteger(response.errorStatus) +
                                     BerInteger(response.errorIndex) + BerTlv(0x30, list));
  return BerTlv(0x30, BerInteger(request.version) + BerTlv(0x04, community) + pdu);
}

}  // namespace

FakeSnmpAgent::FakeSnmpAgent(Handler handler) : m_Handler(std::move(handler)) {
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
    FakeResponse response = m_Handler(request);
    if (response.drop) continue;
    std::string reply = Encode(request, requestId, community, response);
    sendto(m_Socket, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLen);
  }
}
