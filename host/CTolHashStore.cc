// Hash map from unsigned long keys to borrowed pointers.
#include "host/CTolHashStore.h"

#include "host/TolTypes.h"

CTolHashStore::CTolHashStore(int size, bool /*flag1*/, bool /*flag2*/, int /*growth*/) {
  if (size > 0) {
    m_Nodes.reserve(static_cast<std::size_t>(size));
  }
}

int CTolHashStore::RHSAddObjectAt(unsigned long key, void* object) {
  if (m_Nodes.find(key) != m_Nodes.end()) {
    return TOL_ERR_KEY_TAKEN;
  }
  m_Nodes.emplace(key, std::make_unique<CTolPointer>(object));
  return TOL_OK;
}

CTolPointer* CTolHashStore::RHSRetrieveObject(unsigned long key) const {
  auto it = m_Nodes.find(key);
  return it != m_Nodes.end() ? it->second.get() : nullptr;
}
