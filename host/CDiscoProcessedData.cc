#include "host/CDiscoProcessedData.h"

#include "host/CTolRecord.h"
#include "host/CTolVBList.h"
#include "host/TolTypes.h"

CDiscoProcessedData::~CDiscoProcessedData() = default;

int CDiscoProcessedData::DPDAddLocalNbr(CTolVBList* values) {
  if (values == nullptr) return TOL_ERR_NULL;
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Local.emplace_back(values);
  return 1;
}

int CDiscoProcessedData::DPDAddRemoteNbr(const CTolRecord* localNbr, CTolVBList* remote) {
  std::unique_ptr<CTolVBList> owned(remote);  // taken in every case
  if (localNbr == nullptr || remote == nullptr) return TOL_ERR_NULL;
  auto nbr = std::make_unique<RemoteNbr>();
  nbr->local.reset(localNbr->RRCopyValues());
  nbr->remote = std::move(owned);
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Remote.push_back(std::move(nbr));
  return 1;
}

std::vector<const CTolVBList*> CDiscoProcessedData::DPDLocalNbrs() const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  std::vector<const CTolVBList*> out;
  out.reserve(m_Local.size());
  for (const auto& l : m_Local) out.push_back(l.get());
  return out;
}

std::vector<const CDiscoProcessedData::RemoteNbr*> CDiscoProcessedData::DPDRemoteNbrs() const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  std::vector<const RemoteNbr*> out;
  out.reserve(m_Remote.size());
  for (const auto& r : m_Remote) out.push_back(r.get());
  return out;
}

int CDiscoProcessedData::DPDLocalIndexOf(const RemoteNbr& remote) const {
  if (!remote.local) return -1;
  std::lock_guard<std::mutex> lock(m_Mutex);
  for (size_t i = 0; i < m_Local.size(); ++i) {
    if (*m_Local[i] == *remote.local) return static_cast<int>(i);
  }
  return -1;
}
