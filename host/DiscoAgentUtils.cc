#include "host/DiscoAgentUtils.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/CDiscoStdRequester.h"
#include "host/CTolASN1Address.h"
#include "host/CTolAtom.h"
#include "host/CTolDoubleList.h"
#include "host/CTolError.h"
#include "host/CTolRecord.h"
#include "host/CTolSnmpVarOp.h"
#include "host/CTolTreeList.h"
#include "host/CTolVarBind.h"

namespace {

// The key a row is filed under: its index text, or its value's text form. Empty when the row
// lacks that part.
std::string RowKey(const CTolSnmpVarOp& row, bool byIndex) {
  if (byIndex) {
    const CTolASN1Address* index = row.RSVOASN1();
    return index ? index->RAAAsString() : "";
  }
  const CTolAtom* value = row.RSVOValue();
  if (value == nullptr) return "";
  char* text = value->RAStrRep();
  std::string key = text ? text : "";
  std::free(text);
  return key;
}

// Files the rows of `list` into `tree`, first row winning on a repeated key. Returns the number
// of rows filed.
int FileRows(CTolDoubleList* list, CTolTreeList* tree, bool byIndex) {
  int filed = 0;
  for (CTolListable* e = list->RDLHead(); e != nullptr; e = list->RDLGetNext(e)) {
    CTolSnmpVarOp* row = dynamic_cast<CTolSnmpVarOp*>(e);
    if (row == nullptr) continue;
    std::string key = RowKey(*row, byIndex);
    if (key.empty()) continue;
    if (tree->RTLAdd(key.c_str(), row) == 1) ++filed;
  }
  return filed;
}

}  // namespace

CTolTreeList* DAUFWrapSNMPInTreeList(CTolRecord* device, CDiscoStdRequester* requester,
                                     const char* object, __boolean byIndex, CTolDoubleList** list,
                                     __boolean, void*) {
  if (list != nullptr) *list = nullptr;
  if (requester == nullptr || list == nullptr) return nullptr;
  CTolDoubleList* rows = requester->DSRSnmpGetNext(device, object, nullptr, nullptr);
  if (rows == nullptr) return nullptr;
  CTolTreeList* tree = nullptr;
  if (DAUFWrapSNMPInTreeList(rows, byIndex, &tree, false) != 1) {
    delete rows;  // an empty walk, or no row with a key: nothing to hand back
    return nullptr;
  }
  *list = rows;
  return tree;
}

int DAUFWrapSNMPInTreeList(CTolDoubleList* list, __boolean byIndex, CTolTreeList** tree,
                           __boolean) {
  if (tree == nullptr) return TOL_ERR_NULL;
  *tree = nullptr;
  if (list == nullptr) return TOL_ERR_NULL;
  CTolTreeList* made = new CTolTreeList(false);
  if (FileRows(list, made, byIndex != 0) == 0) {
    delete made;
    return TOL_ERR_FAILED;
  }
  *tree = made;
  return 1;
}

int DAUFStoreSnmpDLinTLByIndex(CTolDoubleList* list, CTolTreeList* tree, __boolean, __boolean) {
  if (list == nullptr || tree == nullptr) return TOL_ERR_NULL;
  FileRows(list, tree, true);
  return 1;
}

namespace {

const CTolAtom* ValueUnder(const char* key, CTolTreeList* tree) {
  CTolPointer* node = tree->RTLGet(key);
  if (node == nullptr || node->RPData() == nullptr) return nullptr;
  return static_cast<const CTolSnmpVarOp*>(node->RPData())->RSVOValue();
}

}  // namespace

int DAUFGetValueFromSnmpTreeList(const char* key, CTolTreeList* tree, int* value) {
  if (key == nullptr || tree == nullptr || value == nullptr) return TOL_ERR_NULL;
  const CTolAtom* atom = ValueUnder(key, tree);
  if (atom == nullptr) return TOL_ERR_FAILED;
  *value = atom->RAInt();
  return 1;
}

int DAUFGetValueFromSnmpTreeList(const char* key, CTolTreeList* tree, const CTolAtom** value) {
  if (key == nullptr || tree == nullptr || value == nullptr) return TOL_ERR_NULL;
  const CTolAtom* atom = ValueUnder(key, tree);
  if (atom == nullptr) return TOL_ERR_FAILED;
  *value = atom;
  return 1;
}

char* DAUFConvertASN1IndexToMac(const CTolASN1Address* index) {
  // Six sub-identifiers exactly: a longer or shorter index is not a MAC address, and taking part
  // of it would file rows of different stations under one text.
  if (index == nullptr || index->RAALength() != 6) return nullptr;
  const std::vector<unsigned long>& ids = index->RAASubIds();
  char text[18];
  for (size_t i = 0; i < 6; ++i) {
    unsigned long octet = ids[i];
    if (octet > 255) return nullptr;
    std::snprintf(text + 3 * i, sizeof(text) - 3 * i, i < 5 ? "%02lX:" : "%02lX", octet);
  }
  return strdup(text);
}

const char* DAUFGetEntityIdentifier(const CTolRecord* device) {
  if (device != nullptr) {
    for (const char* field : {"m_Name", "m_IpAddress"}) {
      const CTolAtom* a = device->RRValueOf(field);
      if (a != nullptr && a->RAString() != nullptr && a->RAString()[0] != '\0') {
        return a->RAString();
      }
    }
  }
  return "<unknown device>";
}

int DAUFStringToInt(const char* text, int* value, int base) {
  if (text == nullptr || value == nullptr) return TOL_ERR_NULL;
  if (base != 0 && (base < 2 || base > 36)) return TOL_ERR_FAILED;
  if (text[0] == '\0') return TOL_ERR_FAILED;
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(text, &end, base);
  if (errno != 0 || end == text || *end != '\0' || v < INT_MIN || v > INT_MAX) {
    return TOL_ERR_FAILED;
  }
  *value = static_cast<int>(v);
  return 1;
}

int DAUFDeleteTreeListAndContents(CTolTreeList* tree, int contentType) {
  if (tree == nullptr) return 1;
  if (contentType != eContentAtom && contentType != eContentVarBind &&
      contentType != eContentObject && contentType != eContentText) {
    // Freeing data of an unknown kind would be a guess; the nodes still go.
    std::string text =
        "unknown content type " + std::to_string(contentType) + "; the tree's data was not freed";
    CTolError(TOL_ERR_FAILED, "DiscoAgentUtils", __LINE__, text.c_str());
    delete tree;
    return TOL_ERR_FAILED;
  }
  CTolDoubleList* nodes = tree->RTLIterator();
  for (CTolListable* e = nodes->RDLHead(); e != nullptr; e = nodes->RDLGetNext(e)) {
    void* data = static_cast<CTolPointer*>(e)->RPData();
    if (data == nullptr) continue;
    switch (contentType) {
      case eContentAtom:
        delete static_cast<CTolAtom*>(data);
        break;
      case eContentVarBind:
        delete static_cast<CTolVarBind*>(data);
        break;
      case eContentObject:
        delete static_cast<CTolListable*>(data);
        break;
      case eContentText:
        std::free(data);
        break;
    }
    static_cast<CTolPointer*>(e)->RPSetData(nullptr);
  }
  delete tree;
  return 1;
}
