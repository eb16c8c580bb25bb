// The engine's utility functions for agents (the DAUF family).
#pragma once

#include "host/TolTypes.h"

class CTolRecord;
class CTolTreeList;
class CTolDoubleList;
class CTolAtom;
class CTolASN1Address;
class CDiscoStdRequester;

// Walks `object` on `device` through `requester` and files the rows in a new tree, keyed by each
// row's index text when `byIndex` is true, else by its value's text form (first row wins on a
// repeated key; rows without the key part are left out of the tree). The rows belong to the list
// given back through `list` (owned by the caller, like the tree; free the tree first). When the
// walk fails or has no rows, returns null and sets `*list` to null. The last two arguments are
// unused (pass false and null).
CTolTreeList* DAUFWrapSNMPInTreeList(CTolRecord* device, CDiscoStdRequester* requester,
                                     const char* object, __boolean byIndex, CTolDoubleList** list,
                                     __boolean unused1, void* unused2);
// Second form: keys the rows of an existing walk `list` (still owned by the caller) into a new
// tree given back through `tree` (null when the list is null or gives no key). Returns 1, or
// TOL_ERR_NULL / TOL_ERR_FAILED with `*tree` null. The last argument is unused.
int DAUFWrapSNMPInTreeList(CTolDoubleList* list, __boolean byIndex, CTolTreeList** tree,
                           __boolean unused);

// Files each row (CTolSnmpVarOp) of `list` into `tree` under its index text; the rows stay in the
// list. Returns 1, or TOL_ERR_NULL for a null list or tree. The flags are unused.
int DAUFStoreSnmpDLinTLByIndex(CTolDoubleList* list, CTolTreeList* tree, __boolean unused1,
                               __boolean unused2);

// Looks `key` up in a tree of rows. When the row is found and has a value: the integer form sets
// `*value` to its RAInt, the atom form sets `*value` to the value (borrowed); returns 1.
// Otherwise leaves the output alone and returns TOL_ERR_FAILED (TOL_ERR_NULL for null inputs).
int DAUFGetValueFromSnmpTreeList(const char* key, CTolTreeList* tree, int* value);
int DAUFGetValueFromSnmpTreeList(const char* key, CTolTreeList* tree, const CTolAtom** value);

// The MAC text ("00:1A:2B:3C:4D:5E") of an instance index of six sub-identifiers, as a heap text
// freed with free(); null when the index is null, is not six sub-identifiers long, or a
// sub-identifier is above 255.
char* DAUFConvertASN1IndexToMac(const CTolASN1Address* index);

// The device's identifier (borrowed from the record): its "m_Name", else its "m_IpAddress", else
// "<unknown device>".
const char* DAUFGetEntityIdentifier(const CTolRecord* device);

// Parses a whole text as an integer in `base`. Returns 1 with `*value` set, else TOL_ERR_FAILED
// (TOL_ERR_NULL for null arguments) with `*value` unchanged.
int DAUFStringToInt(const char* text, int* value, int base);

// Deletes the data of every node of `tree` according to `contentType`, then the tree. Accepts a
// null tree. Returns 1.
int DAUFDeleteTreeListAndContents(CTolTreeList* tree, int contentType);
