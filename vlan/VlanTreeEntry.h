// Internal to vlan/: reading SNMP row indexes and the entries of the interface VLAN trees.
//
// An interface VLAN tree (logical tree, physical tree, VLAN store) is a CTolTreeList keyed by
// ifIndex whose node data is an entry binding: name = integer atom ifIndex, value = object atom
// holding the interface's VLAN list. Each binding of the VLAN list has name = integer atom VLAN
// id and value = integer atom encapsulated flag (0 or 1).
#pragma once

#include "host/CTolASN1Address.h"
#include "host/CTolAtom.h"
#include "host/CTolPointer.h"
#include "host/CTolSnmpVarOp.h"
#include "host/CTolTreeList.h"
#include "host/CTolVBList.h"
#include "host/CTolVarBind.h"

namespace vlaninternal {

// Source name carried by the error reports of the VLAN class.
inline constexpr const char* kSource = "CDiscoExtreme3ComVlanSwitchAgent";

// Description given to an interface whose VLAN has none and VLAN 1 has none either.
extern const char* const kDefaultVlanDescr;

// A text for traces: the text itself, or "NULL".
inline const char* Printable(const char* text) { return text ? text : "NULL"; }

// The i-th component of a row's instance index; -1 without an index or past its end.
inline int IndexAt(const CTolSnmpVarOp* row, int i) {
  const CTolASN1Address* address = row ? row->RSVOASN1() : nullptr;
  return address ? static_cast<int>(address->RAAAddressAt(i)) : -1;
}

// The entry binding held by a tree node (borrowed), or null.
inline CTolVarBind* EntryOf(const CTolPointer* node) {
  return node ? static_cast<CTolVarBind*>(node->RPData()) : nullptr;
}

// The ifIndex of an entry; -1 without an entry or a name.
inline int EntryIfIndex(const CTolVarBind* entry) {
  return entry && entry->RVBName() ? entry->RVBName()->RAInt() : -1;
}

// The VLAN list of an entry (borrowed), or null.
inline CTolVBList* EntryVlanList(const CTolVarBind* entry) {
  return entry && entry->RVBValue() ? entry->RVBValue()->RAObject() : nullptr;
}

// The first VLAN membership binding of an entry (borrowed), or null.
inline CTolVarBind* EntryFirstVlan(const CTolVarBind* entry) {
  const CTolVBList* list = EntryVlanList(entry);
  return list ? list->RVBLHead() : nullptr;
}

// The VLAN id of a membership binding; -1 without a binding or a name.
inline int MembershipVlanId(const CTolVarBind* membership) {
  return membership && membership->RVBName() ? membership->RVBName()->RAInt() : -1;
}

// The row (CTolSnmpVarOp) filed under a node of a tree of SNMP rows (borrowed), or null.
inline CTolSnmpVarOp* RowOf(const CTolPointer* node) {
  return node ? static_cast<CTolSnmpVarOp*>(node->RPData()) : nullptr;
}

}  // namespace vlaninternal
