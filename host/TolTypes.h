// Basic types shared by every library of the engine and by the agents it loads.
#pragma once

// The engine's two-valued type: false 0, true 1.
typedef int __boolean;

// Data type of a CTolAtom, as RAType() reports it.
enum ETolDataType {
  eTolNull = -1,    // no value (a default-constructed atom)
  eTolInteger = 0,  // a signed integer (64 bits held; RAInt() gives the low int)
  eTolBytes = 1,    // raw octets (encoded records travel as bytes)
  eTolString = 2,   // a NUL-terminated text
  eTolObject = 8,   // a CTolVBList held by the atom
  eTolVector = 9,   // a CTolAtomVector held by the atom
};

// How DAUFDeleteTreeListAndContents frees the data of each node of a tree.
enum EContentType {
  eContentAtom = 0,     // CTolAtom*
  eContentVarBind = 1,  // CTolVarBind*
  eContentObject = 2,   // any CTolListable* (virtual destructor)
  eContentText = 5,     // heap text, released with free()
};

// Status of a forwarding-database row; the values of BRIDGE-MIB dot1dTpFdbStatus. The underlying
// type is fixed so that any status a device sends can be carried and judged unchanged.
enum EDiscoPortStatus : int {
  eDiscoPortOther = 1,
  eDiscoPortInvalid = 2,
  eDiscoPortLearned = 3,
  eDiscoPortSelf = 4,
  eDiscoPortMgmt = 5,
};

// Status codes of the engine's error table. Success is 1.
enum ETolStatus {
  TOL_OK = 1,
  TOL_ERR_FAILED = -220439,        // an operation failed, or had nothing to work on
  TOL_ERR_MISSING_PART = -220402,  // an input lacks a part it needs
  TOL_ERR_NULL = -220552,          // a required pointer or value is null
  TOL_ERR_NO_MEMORY = -220553,     // no memory was available
  TOL_ERR_KEY_TAKEN = -220565,     // the key is already taken
  TOL_ERR_TIMEOUT = -220600,       // a request to a device got no answer in time
  TOL_ERR_PROTOCOL = -220601,      // a device answered outside its protocol
  TOL_ERR_ABANDONED = -220602,     // a request not sent: its device stopped answering
};
