#include "host/netsnmp/NetSnmpProtocols.h"

#include <cctype>

namespace tolnetsnmp {
namespace {

struct Protocol {
  const char* name;  // canonical name, upper case, without dashes
  const oid* identifier;
  size_t length;
};

// Upper case without dashes, so that "sha-256", "SHA256" and "Sha-256" are one name.
std::string Canonical(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '-' || c == '_') continue;
    out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

const oid* Find(const Protocol* table, size_t count, const std::string& name, size_t* length) {
  std::string key = Canonical(name);
  for (size_t i = 0; i < count; ++i) {
    if (key == table[i].name) {
      if (length) *length = table[i].length;
      return table[i].identifier;
    }
  }
  return nullptr;
}

const Protocol kAuth[] = {
    {"MD5", usmHMACMD5AuthProtocol, USM_AUTH_PROTO_MD5_LEN},
    {"SHA", usmHMACSHA1AuthProtocol, USM_AUTH_PROTO_SHA_LEN},
    {"SHA1", usmHMACSHA1AuthProtocol, USM_AUTH_PROTO_SHA_LEN},
    {"SHA224", usmHMAC128SHA224AuthProtocol, OID_LENGTH(usmHMAC128SHA224AuthProtocol)},
    {"SHA256", usmHMAC192SHA256AuthProtocol, OID_LENGTH(usmHMAC192SHA256AuthProtocol)},
    {"SHA384", usmHMAC256SHA384AuthProtocol, OID_LENGTH(usmHMAC256SHA384AuthProtocol)},
    {"SHA512", usmHMAC384SHA512AuthProtocol, OID_LENGTH(usmHMAC384SHA512AuthProtocol)},
};

const Protocol kPriv[] = {
    {"DES", usmDESPrivProtocol, USM_PRIV_PROTO_DES_LEN},
    {"AES", usmAESPrivProtocol, USM_PRIV_PROTO_AES_LEN},
    {"AES128", usmAESPrivProtocol, USM_PRIV_PROTO_AES_LEN},
    {"AES192", usmAES192PrivProtocol, OID_LENGTH(usmAES192PrivProtocol)},
    {"AES256", usmAES256PrivProtocol, OID_LENGTH(usmAES256PrivProtocol)},
    {"AES192C", usmAES192CiscoPrivProtocol, OID_LENGTH(usmAES192CiscoPrivProtocol)},
    {"AES256C", usmAES256CiscoPrivProtocol, OID_LENGTH(usmAES256CiscoPrivProtocol)},
};

}  // namespace

const oid* AuthProtocolOid(const std::string& name, size_t* length) {
  return Find(kAuth, sizeof(kAuth) / sizeof(kAuth[0]), name, length);
}

const oid* PrivProtocolOid(const std::string& name, size_t* length) {
  return Find(kPriv, sizeof(kPriv) / sizeof(kPriv[0]), name, length);
}

const char* AuthProtocolNames() { return "MD5, SHA, SHA-224, SHA-256, SHA-384, SHA-512"; }

const char* PrivProtocolNames() { return "DES, AES, AES-192, AES-256, AES-192-C, AES-256-C"; }

}  // namespace tolnetsnmp
