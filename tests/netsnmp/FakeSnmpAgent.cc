#include "netsnmp/FakeSnmpAgent.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

std::string Tlv(unsigned char tag, const std::string& body) {
  std::string out(1, static_cast<char>(tag));
  size_t n = body.size();
  if (n < 0x80) {
    out += static_cast<char>(n);
  } else {
    std::string len;
    for (; n > 0; n >>= 8) len.insert(len.begin(), static_cast<char>(n & 0xFF));
    out += static_cast<char>(0x80 | len.size());
    out += len;
  }
  return out + body;
}

std::string IntegerContent(long value) {
  std::string bytes;
  do {
    bytes.insert(bytes.begin(), static_cast<char>(value & 0xFF));
    value >>= 8;
  } while (value != 0 && value != -1);
  if (value == 0 && (bytes[0] & 0x80)) bytes.insert(bytes.begin(), '\0');
  if (value == -1 && !(bytes[0] & 0x80)) bytes.insert(bytes.begin(), '\xFF');
  return bytes;
}

std::string OidContent(const std::vector<unsigned long>& oid) {
  std::string out;
  if (oid.size() < 2) return out;
  out += static_cast<char>(oid[0] * 40 + oid[1]);
  for (size_t i = 2; i < oid.size(); ++i) {
    std::string sub(1, static_cast<char>(oid[i] & 0x7F));
    for (unsigned long v = oid[i] >> 7; v > 0; v >>= 7) {
      sub.insert(sub.begin(), static_cast<char>(0x80 | (v & 0x7F)));
    }
    out += sub;
  }
  return out;
}

// Reads one TLV at `*pos`; false when the data ends early.
bool ReadTlv(const std::string& data, size_t* pos, unsigned char* tag, std::string* content) {
  if (*pos + 2 > data.size()) return false;
  *tag = static_cast<unsigned char>(data[(*pos)++]);
  size_t len = static_cast<unsigned char>(data[(*pos)++]);
  if (len & 0x80) {
    size_t bytes = len & 0x7F;
    if (bytes == 0 || bytes > 4 || *pos + bytes > data.size()) return false;
    len = 0;
    for (size_t i = 0; i < bytes; ++i)
      len = (len << 8) | static_cast<unsigned char>(data[(*pos)++]);
  }
  if (*pos + len > data.size()) return false;
  *content = data.substr(*pos, len);
  *pos += len;
  return true;
}

long ParseInteger(const std::string& c) {
  unsigned long v = (!c.empty() && (c[0] & 0x80)) ? ~0ul : 0ul;
  for (char b : c) v = (v << 8) | static_cast<unsigned char>(b);
  return static_cast<long>(v);
}

std::vector<unsigned long> ParseOid(const std::string& c) {
  std::vector<unsigned long> oid;
  if (c.empty()) return oid;
  unsigned char first = static_cast<unsigned char>(c[0]);
  oid.push_back(first / 40);
  oid.push_back(first % 40);
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
  size_t pos = 0;
  unsigned char tag;
  std::string message, field, pdu;
  if (!ReadTlv(packet, &pos, &tag, &message) || tag != 0x30) return false;
  pos = 0;
  if (!ReadTlv(message, &pos, &tag, &field) || tag != 0x02) return false;
  request->version = static_cast<int>(ParseInteger(field));
  if (!ReadTlv(message, &pos, &tag, community) || tag != 0x04) return false;
  if (!ReadTlv(message, &pos, &tag, &pdu)) return false;
  request->pduType = tag;
  pos = 0;
  std::string id, second, third, list;
  if (!ReadTlv(pdu, &pos, &tag, &id) || !ReadTlv(pdu, &pos, &tag, &second) ||
      !ReadTlv(pdu, &pos, &tag, &third) || !ReadTlv(pdu, &pos, &tag, &list)) {
    return false;
  }
  *requestId = ParseInteger(id);
  if (request->pduType == 0xA5) request->maxRepetitions = ParseInteger(third);
  pos = 0;
  std::string varbind;
  while (pos < list.size() && ReadTlv(list, &pos, &tag, &varbind)) {
    size_t vpos = 0;
    std::string name;
    if (!ReadTlv(varbind, &vpos, &tag, &name) || tag != 0x06) return false;
    request->oids.push_back(ParseOid(name));
  }
  return true;
}

std::string Encode(const FakeRequest& request, long requestId, const std::string& community,
                   const FakeResponse& response) {
  std::string list;
  for (const FakeVarBind& vb : response.varbinds) {
    list += Tlv(0x30, Tlv(0x06, OidContent(vb.oid)) + Tlv(vb.tag, vb.content));
  }
  std::string pdu = Tlv(0xA2, Tlv(0x02, IntegerContent(requestId)) +
                                  Tlv(0x02, IntegerContent(response.errorStatus)) +
                                  Tlv(0x02, IntegerContent(response.errorIndex)) + Tlv(0x30, list));
  return Tlv(0x30, Tlv(0x02, IntegerContent(request.version)) + Tlv(0x04, community) + pdu);
}

}  // namespace

FakeVarBind FakeVarBind::Integer(std::vector<unsigned long> oid, long value) {
  return FakeVarBind{std::move(oid), 0x02, IntegerContent(value)};
}

FakeVarBind FakeVarBind::Octets(std::vector<unsigned long> oid, const std::string& value) {
  return FakeVarBind{std::move(oid), 0x04, value};
}

FakeVarBind FakeVarBind::EndOfMibView(std::vector<unsigned long> oid) {
  return FakeVarBind{std::move(oid), 0x82, std::string()};
}

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
    if (n <= 0) continue;
    FakeRequest request;
    long requestId = 0;
    std::string community;
    if (!Decode(std::string(buffer, static_cast<size_t>(n)), &request, &requestId, &community)) {
      continue;
    }
    ++m_Requests;
    FakeResponse response = m_Handler(request);
    if (response.drop) continue;
    std::string reply = Encode(request, requestId, community, response);
    sendto(m_Socket, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLen);
  }
}
