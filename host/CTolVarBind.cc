// A named value: the binding owns its name and value atoms.
#include "host/CTolVarBind.h"

#include "host/CTolDoubleList.h"
#include "host/CTolVBList.h"
#include "host/TolTypes.h"

namespace {

CTolAtom* CopyOrNull(const CTolAtom* value) {
  return value != nullptr ? new CTolAtom(*value) : nullptr;
}

CTolAtom* Take(CTolAtom** value) {
  if (value == nullptr) {
    return nullptr;
  }
  CTolAtom* taken = *value;
  *value = nullptr;
  return taken;
}

// True when `e` is linked into some list. A scratch list refuses an element that already has an
// owner, and releases it again at once otherwise.
bool IsLinked(CTolListable* e) {
  CTolDoubleList probe;
  if (probe.RDLAddToEnd(e) != TOL_OK) {
    return true;
  }
  probe.RDLRemove(e);
  return false;
}

}  // namespace

CTolVarBind::CTolVarBind(const char* name, int value)
    : m_Name(name), m_Value(new CTolAtom(value)) {}

CTolVarBind::CTolVarBind(const char* name, const char* value)
    : m_Name(name), m_Value(value != nullptr ? new CTolAtom(value) : nullptr) {}

CTolVarBind::CTolVarBind(const char* name, const CTolAtom* value)
    : m_Name(name), m_Value(CopyOrNull(value)) {}

CTolVarBind::CTolVarBind(const char* name, CTolAtom** value) : m_Name(name), m_Value(Take(value)) {}

CTolVarBind::CTolVarBind(const CTolAtom& name, int value)
    : m_Name(name), m_Value(new CTolAtom(value)) {}

CTolVarBind::CTolVarBind(const CTolAtom& name, const CTolAtom* value)
    : m_Name(name), m_Value(CopyOrNull(value)) {}

CTolVarBind::CTolVarBind(const CTolAtom& name, CTolAtom** value)
    : m_Name(name), m_Value(Take(value)) {}

CTolVarBind::CTolVarBind(const CTolVarBind& other)
    : CTolListable(other), m_Name(other.m_Name), m_Value(CopyOrNull(other.m_Value)) {}

CTolVarBind::~CTolVarBind() { delete m_Value; }

int CTolVarBind::RVBAddOrSetObjVal(CTolVarBind* vb, bool add) {
  if (vb == nullptr) {
    return TOL_ERR_NULL;
  }
  CTolVBList* list = m_Value != nullptr ? m_Value->RAObject() : nullptr;
  if (list == nullptr || vb == this) {
    return TOL_ERR_FAILED;
  }
  if (add) {
    return list->RVBLAddToListEnd(vb);
  }
  if (IsLinked(vb)) {
    return TOL_ERR_FAILED;
  }
  for (CTolVarBind* field = list->RVBLHead(); field != nullptr; field = list->RVBLGetNext(field)) {
    if (field->m_Name == vb->m_Name) {
      // The field keeps its place in the list and takes the new binding's value.
      delete field->m_Value;
      field->m_Value = vb->m_Value;
      vb->m_Value = nullptr;
      delete vb;
      return TOL_OK;
    }
  }
  return list->RVBLAddToListEnd(vb);
}

CTolListable* CTolVarBind::RLTargetDeepCopy(const CTolListable* source) {
  const CTolVarBind* vb = dynamic_cast<const CTolVarBind*>(source);
  if (vb == nullptr) {
    return nullptr;
  }
  return new CTolVarBind(*vb);
}
