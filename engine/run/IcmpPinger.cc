#include "engine/run/IcmpPinger.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>

#include "engine/base/Ipv4Address.h"
#include "host/TolTypes.h"

namespace disco {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kPayloadBytes = 16;  // marker, pinger id and sweep number
constexpr size_t kPacketBytes = sizeof(icmphdr) + kPayloadBytes;

uint16_t Checksum(const unsigned char* data, size_t length) {
  uint32_t sum = 0;
  for (size_t i = 0; i + 1 < length; i += 2)
    sum += static_cast<uint32_t>(data[i] << 8 | data[i + 1]);
  if (length % 2 != 0) sum += static_cast<uint32_t>(data[length - 1] << 8);
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(~sum);
}

// An ICMP socket, closed on destruction.
class IcmpSocket {
 public:
  ~IcmpSocket() {
    if (m_Fd >= 0) close(m_Fd);
  }
  // Opens a ping socket, else a raw one. Returns false with `*error` when neither is allowed.
  bool Open(std::string* error) {
    m_Fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (m_Fd >= 0) return true;
    int dgramErrno = errno;
    m_Fd = socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (m_Fd >= 0) {
      m_Raw = true;
      return true;
    }
    *error = std::string("cannot open an ICMP socket (ping socket: ") + std::strerror(dgramErrno) +
             "; raw socket: " + std::strerror(errno) +
             "); allow ping sockets with sysctl net.ipv4.ping_group_range or run as root";
    return false;
  }
  int Fd() const { return m_Fd; }
  bool Raw() const { return m_Raw; }

 private:
  int m_Fd = -1;
  bool m_Raw = false;
};

// The payload that identifies this pinger's requests of one sweep.
void MakePayload(uint32_t pingerId, uint32_t sweep, unsigned char* out) {
  std::memcpy(out, "xdiscoPG", 8);
  std::memcpy(out + 8, &pingerId, 4);
  std::memcpy(out + 12, &sweep, 4);
}

// Sends one echo request (`ident`, `sequence`, `payload`) to `address` (host order). Returns what
// sendto returned; errno says why when it is negative.
ssize_t SendEcho(int fd, uint16_t ident, uint16_t sequence, const unsigned char* payload,
                 uint32_t address) {
  unsigned char packet[kPacketBytes];
  icmphdr header;
  std::memset(&header, 0, sizeof header);
  header.type = ICMP_ECHO;
  header.un.echo.id = htons(ident);
  header.un.echo.sequence = htons(sequence);
  std::memcpy(packet, &header, sizeof header);
  std::memcpy(packet + sizeof header, payload, kPayloadBytes);
  uint16_t sum = Checksum(packet, sizeof packet);
  packet[2] = static_cast<unsigned char>(sum >> 8);
  packet[3] = static_cast<unsigned char>(sum & 0xFF);
  sockaddr_in to;
  std::memset(&to, 0, sizeof to);
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(address);
  return sendto(fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

// Reads the replies waiting on `sock` and marks each target below `sent` whose echo reply of this
// sweep (`ident`, `payload`) came from its own address. Returns how many it newly marked.
int ReadReplies(const IcmpSocket& sock, uint16_t ident, const unsigned char* payload,
                const std::vector<uint32_t>& targets, size_t sent, std::vector<bool>* answered) {
  int count = 0;
  unsigned char buffer[1500];
  sockaddr_in from;
  socklen_t fromLength = sizeof from;
  ssize_t n;
  while ((n = recvfrom(sock.Fd(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from),
                       &fromLength)) > 0) {
    size_t offset = 0;
    if (sock.Raw()) {
      if (n < static_cast<ssize_t>(sizeof(iphdr))) continue;
      offset = static_cast<size_t>((buffer[0] & 0x0F) * 4);
    }
    if (static_cast<size_t>(n) < offset + sizeof(icmphdr) + kPayloadBytes) continue;
    icmphdr reply;
    std::memcpy(&reply, buffer + offset, sizeof reply);
    if (reply.type != ICMP_ECHOREPLY) continue;
    if (sock.Raw() && ntohs(reply.un.echo.id) != ident) continue;
    if (std::memcmp(buffer + offset + sizeof reply, payload, kPayloadBytes) != 0) continue;
    size_t seq = ntohs(reply.un.echo.sequence);
    if (seq < sent && !(*answered)[seq] && ntohl(from.sin_addr.s_addr) == targets[seq]) {
      (*answered)[seq] = true;
      ++count;
    }
    fromLength = sizeof from;
  }
  return count;
}

}  // namespace

IcmpPinger::IcmpPinger(PingSettings settings) : m_Settings(settings) {}

void IcmpPinger::SetObserver(std::function<void(const PingSweepResult&)> observer) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Observer = std::move(observer);
}

std::vector<PingSweepResult> IcmpPinger::Sweeps() const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  return m_Sweeps;
}

int IcmpPinger::PingAll(const std::vector<std::string>& addresses) {
  int number = 0;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    number = static_cast<int>(m_Sweeps.size()) + 1;
  }
  PingSweepResult result = Sweep(addresses, number);
  std::function<void(const PingSweepResult&)> observer;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Sweeps.push_back(result);
    observer = m_Observer;
  }
  if (observer) observer(result);
  return result.error.empty() ? 1 : TOL_ERR_FAILED;
}

PingSweepResult IcmpPinger::Sweep(const std::vector<std::string>& addresses, int number) {
  PingSweepResult r;
  r.number = number;
  r.addresses = static_cast<int>(addresses.size());
  IcmpSocket sock;
  if (!sock.Open(&r.error)) return r;
  // Room for the replies of a fast sweep (the kernel caps it at net.core.rmem_max).
  int receiveBuffer = 4 << 20;
  setsockopt(sock.Fd(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);

  // Targets by sequence number; the sequence is the position in the list (at most 65536).
  std::vector<uint32_t> targets;
  for (const std::string& text : addresses) {
    uint32_t a = 0;
    if (ParseIpv4(text, &a) && targets.size() < 65536) targets.push_back(a);
  }
  std::vector<bool> answered(targets.size(), false);
  const uint32_t pingerId =
      static_cast<uint32_t>(getpid()) ^ static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this));
  const uint16_t ident = static_cast<uint16_t>(pingerId);
  unsigned char payload[kPayloadBytes];
  MakePayload(pingerId, static_cast<uint32_t>(number), payload);

  const auto start = Clock::now();
  const auto interval = std::chrono::microseconds(1000000 / m_Settings.ratePerSecond);
  const auto timeout = std::chrono::milliseconds(m_Settings.timeoutMs);
  size_t next = 0;
  auto lastSend = start;
  for (;;) {
    auto now = Clock::now();
    // Send what is due.
    while (next < targets.size() && now >= start + interval * static_cast<long>(next)) {
      const ssize_t n =
          SendEcho(sock.Fd(), ident, static_cast<uint16_t>(next), payload, targets[next]);
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS)) break;
      if (n == static_cast<ssize_t>(kPacketBytes)) ++r.sent;
      lastSend = now;
      ++next;
    }
    bool allSent = next >= targets.size();
    if (allSent && (r.answered == static_cast<int>(targets.size()) || now >= lastSend + timeout)) {
      break;
    }
    // Wait for a reply, the next send or the end of the time-out.
    auto until = allSent ? lastSend + timeout : start + interval * static_cast<long>(next);
    if (!allSent && until <= now) until = now + std::chrono::milliseconds(1);  // socket was full
    long waitMs = std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count();
    pollfd pfd{sock.Fd(), POLLIN, 0};
    if (poll(&pfd, 1, static_cast<int>(std::max(0L, waitMs) + 1)) <= 0) continue;
    r.answered += ReadReplies(sock, ident, payload, targets, next, &answered);
  }
  return r;
}

}  // namespace disco
