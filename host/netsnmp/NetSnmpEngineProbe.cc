#include "host/netsnmp/NetSnmpEngineProbe.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>

#include "host/TolTypes.h"

namespace tolnetsnmp {
namespace {

constexpr unsigned char kInteger = 0x02, kOctets = 0x04, kSequence = 0x30;

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

std::string Integer(long value) {
  std::string bytes;
  do {
    bytes.insert(bytes.begin(), static_cast<char>(value & 0xFF));
    value >>= 8;
  } while (value != 0 && value != -1);
  if (value == 0 && (bytes[0] & 0x80)) bytes.insert(bytes.begin(), '\0');
  return Tlv(kInteger, bytes);
}

// A bounded reader over BER: every read checks the bytes it needs are there.
class Reader {
 public:
  explicit Reader(const std::string& data) : m_Data(data) {}

  bool Next(unsigned char tag, std::string* content) {
    if (m_Pos + 2 > m_Data.size() || static_cast<unsigned char>(m_Data[m_Pos]) != tag) {
      return false;
    }
    size_t pos = m_Pos + 1;
    size_t len = static_cast<unsigned char>(m_Data[pos++]);
    if (len & 0x80) {
      size_t bytes = len & 0x7F;
      if (bytes == 0 || bytes > 3 || pos + bytes > m_Data.size()) return false;
      len = 0;
      for (size_t i = 0; i < bytes; ++i)
        len = (len << 8) | static_cast<unsigned char>(m_Data[pos++]);
    }
    if (len > m_Data.size() - pos) return false;
    *content = m_Data.substr(pos, len);
    m_Pos = pos + len;
    return true;
  }

  bool NextInteger(long* value) {
    std::string c;
    if (!Next(kInteger, &c) || c.empty() || c.size() > 4) return false;
    unsigned long v = (c[0] & 0x80) ? ~0ul : 0ul;  // sign-extended two's complement
    for (char b : c) v = (v << 8) | static_cast<unsigned char>(b);
    *value = static_cast<long>(v);
    return true;
  }

 private:
  const std::string& m_Data;
  size_t m_Pos = 0;
};

}  // namespace

std::string BuildDiscoveryMessage(long id) {
  std::string global = Tlv(kSequence, Integer(id) + Integer(65507) +
                                          Tlv(kOctets, std::string(1, '\x04')) +  // reportable
                                          Integer(3));                            // USM
  std::string usm = Tlv(kSequence, Tlv(kOctets, "") + Integer(0) + Integer(0) + Tlv(kOctets, "") +
                                       Tlv(kOctets, "") + Tlv(kOctets, ""));
  std::string pdu = Tlv(0xA0, Integer(id) + Integer(0) + Integer(0) + Tlv(kSequence, ""));
  std::string scoped = Tlv(kSequence, Tlv(kOctets, "") + Tlv(kOctets, "") + pdu);
  return Tlv(kSequence, Integer(3) + global + Tlv(kOctets, usm) + scoped);
}

bool ParseDiscoveryReport(const std::string& datagram, long id, EngineIdentity* identity) {
  std::string message, global, securityParameters, usm;
  Reader outer(datagram);
  if (!outer.Next(kSequence, &message)) return false;
  Reader fields(message);
  long version = 0, messageId = 0;
  if (!fields.NextInteger(&version) || version != 3) return false;
  if (!fields.Next(kSequence, &global)) return false;
  Reader globalFields(global);
  if (!globalFields.NextInteger(&messageId) || messageId != id) return false;
  if (!fields.Next(kOctets, &securityParameters)) return false;
  Reader usmOuter(securityParameters);
  if (!usmOuter.Next(kSequence, &usm)) return false;
  Reader usmFields(usm);
  EngineIdentity found;
  if (!usmFields.Next(kOctets, &found.engineId) || found.engineId.size() < 5 ||
      found.engineId.size() > 32) {
    return false;
  }
  if (!usmFields.NextInteger(&found.boots) || !usmFields.NextInteger(&found.time)) return false;
  *identity = std::move(found);
  return true;
}

int DiscoverEngine(const CDiscoSnmpTarget& target, int timeoutMs, int retries,
                   std::atomic<long>* requests, EngineIdentity* identity, std::string* reason) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  std::string port = std::to_string(target.port);
  if (getaddrinfo(target.address.c_str(), port.c_str(), &hints, &found) != 0 || !found) {
    *reason = "cannot resolve " + target.Key();
    return TOL_ERR_FAILED;
  }
  int fd = socket(found->ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  bool connected = fd >= 0 && connect(fd, found->ai_addr, found->ai_addrlen) == 0;
  freeaddrinfo(found);
  if (!connected) {
    *reason = std::string("cannot reach ") + target.Key() + ": " + std::strerror(errno);
    if (fd >= 0) close(fd);
    return TOL_ERR_FAILED;
  }

  std::random_device rng;
  const long id = static_cast<long>(rng() & 0x7FFFFFFF);
  const std::string message = BuildDiscoveryMessage(id);
  int rc = TOL_ERR_TIMEOUT;
  for (int attempt = 0; attempt <= retries && rc == TOL_ERR_TIMEOUT; ++attempt) {
    if (send(fd, message.data(), message.size(), 0) < 0 && errno != ECONNREFUSED) {
      *reason = std::string("cannot send to ") + target.Key() + ": " + std::strerror(errno);
      rc = TOL_ERR_FAILED;
      break;
    }
    ++*requests;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (rc == TOL_ERR_TIMEOUT) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      deadline - std::chrono::steady_clock::now())
                      .count();
      if (left <= 0) break;
      struct pollfd p = {fd, POLLIN, 0};
      int ready = poll(&p, 1, static_cast<int>(left));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) break;
      char buffer[4096];
      ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
      // A refused port reads as an error; the attempt then simply runs out its time.
      if (n > 0 &&
          ParseDiscoveryReport(std::string(buffer, static_cast<size_t>(n)), id, identity)) {
        rc = TOL_OK;
      } else if (n < 0) {
        poll(nullptr, 0, static_cast<int>(left));
        break;
      }
    }
  }
  close(fd);
  if (rc == TOL_ERR_TIMEOUT) {
    int attempts = retries + 1;
    *reason = "timeout: no answer to SNMPv3 engine discovery from " + target.Key() + " after " +
              std::to_string(attempts) + (attempts == 1 ? " attempt" : " attempts") + " (" +
              std::to_string(retries) + (retries == 1 ? " retry" : " retries") + ", " +
              std::to_string(timeoutMs) + " ms each)";
  }
  return rc;
}

}  // namespace tolnetsnmp
