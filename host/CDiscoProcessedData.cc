#include "host/CDiscoProcessedData.h"

#include <algorithm>

#include "host/CTolRecord.h"
#include "host/CTolVBList.h"
#include "host/TolTypes.h"

namespace {

// Encoded remote neighbours are appended to chunks of this size, so that a big table costs no
// allocation per neighbour and no reallocation of everything kept so far.
constexpr std::size_t kFirstChunkSize = 16 << 10;
constexpr std::size_t kChunkSize = 1 << 20;

}  // namespace

CDiscoProcessedData::CDiscoProcessedData() = default;
CDiscoProcessedData::~CDiscoProcessedData() = default;

int CDiscoProcessedData::DPDAddLocalNbr(CTolVBList* values) {
  if (values == nullptr) return TOL_ERR_NULL;
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Local.emplace_back(values);
  return 1;
}

int CDiscoProcessedData::DPDAddRemoteNbr(const CTolRecord* localNbr, CTolVBList* remote) {
  CTolRecord owned(remote);  // takes `remote` in every case; encoded below, then freed
  if (localNbr == nullptr || remote == nullptr) return TOL_ERR_NULL;
  std::string bytes;
  owned.ROMEncode(&bytes);
  std::lock_guard<std::mutex> lock(m_Mutex);
  Remote r;
  r.local = LocalRefOf(*localNbr);
  Append(bytes, &r);
  m_Remote.push_back(r);
  return 1;
}

int CDiscoProcessedData::LocalRefOf(const CTolRecord& localNbr) {
  const CTolVBList& fields = localNbr.RRValues();
  auto it = m_Seen.find(&localNbr);
  if (it != m_Seen.end() && it->second.head == fields.RVBLHead() &&
      it->second.length == fields.RVBLLength()) {
    const SeenLocal& seen = it->second;
    return seen.localIndex >= 0 ? seen.localIndex : -1 - seen.unmatched;
  }
  SeenLocal seen{fields.RVBLHead(), fields.RVBLLength(), FindLocal(fields), -1};
  if (seen.localIndex < 0) {
    seen.unmatched = static_cast<int>(m_Unmatched.size());
    m_Unmatched.emplace_back(localNbr.RRCopyValues());
  }
  m_Seen[&localNbr] = seen;
  return seen.localIndex >= 0 ? seen.localIndex : -1 - seen.unmatched;
}

int CDiscoProcessedData::FindLocal(const CTolVBList& fields) const {
  for (std::size_t i = 0; i < m_Local.size(); ++i) {
    if (*m_Local[i] == fields) return static_cast<int>(i);
  }
  return -1;
}

void CDiscoProcessedData::Append(const std::string& bytes, Remote* remote) {
  if (m_Chunks.empty() || m_Chunks.back().size() + bytes.size() > m_Chunks.back().capacity()) {
    // Chunks grow from kFirstChunkSize to kChunkSize, so that a small device keeps little.
    std::size_t size =
        m_Chunks.empty() ? kFirstChunkSize : std::min(kChunkSize, 2 * m_Chunks.back().capacity());
    m_Chunks.emplace_back();
    m_Chunks.back().reserve(std::max(size, bytes.size()));
  }
  std::string& chunk = m_Chunks.back();
  remote->chunk = static_cast<std::uint32_t>(m_Chunks.size() - 1);
  remote->offset = static_cast<std::uint32_t>(chunk.size());
  remote->length = static_cast<std::uint32_t>(bytes.size());
  chunk.append(bytes);
}

std::vector<const CTolVBList*> CDiscoProcessedData::DPDLocalNbrs() const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  std::vector<const CTolVBList*> out;
  out.reserve(m_Local.size());
  for (const auto& l : m_Local) out.push_back(l.get());
  return out;
}

std::size_t CDiscoProcessedData::DPDRemoteCount() const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  return m_Remote.size();
}

int CDiscoProcessedData::DPDRemoteLocalIndex(std::size_t i) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  int local = m_Remote[i].local;
  // A local side unknown at hand-over may have been handed over since.
  return local >= 0 ? local : FindLocal(*m_Unmatched[-1 - local]);
}

const CTolVBList& CDiscoProcessedData::DPDRemoteLocalFields(std::size_t i) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  int local = m_Remote[i].local;
  return local >= 0 ? *m_Local[local] : *m_Unmatched[-1 - local];
}

int CDiscoProcessedData::DPDRemoteFields(std::size_t i, CTolRecord* into) const {
  if (into == nullptr) return TOL_ERR_NULL;
  std::lock_guard<std::mutex> lock(m_Mutex);
  if (i >= m_Remote.size()) return TOL_ERR_FAILED;
  const Remote& r = m_Remote[i];
  const std::string& chunk = m_Chunks[r.chunk];
  return into->ROMDecode(reinterpret_cast<const unsigned char*>(chunk.data()) + r.offset,
                         static_cast<int>(r.length));
}
