#include "host/netsnmp/NetSnmpValue.h"

#include <cstdio>

namespace tolnetsnmp {
namespace {

std::string Octets(const netsnmp_variable_list& v) {
  if (v.val.string == nullptr || v.val_len == 0) return std::string();
  return std::string(reinterpret_cast<const char*>(v.val.string), v.val_len);
}

unsigned long long Unsigned64(const counter64& c) {
  return (static_cast<unsigned long long>(c.high & 0xFFFFFFFFul) << 32) | (c.low & 0xFFFFFFFFul);
}

// The library decodes an Opaque that wraps a float, double or 64-bit number into a type of its
// own. Encodes it again and keeps what the Opaque wrapped, so that the value is the octets the
// agent sent, as with any other Opaque.
bool OpaqueOctets(const netsnmp_variable_list& v, std::string* octets) {
  u_char buffer[64];
  size_t room = sizeof(buffer);
  u_char* end = nullptr;
  switch (v.type) {
    case ASN_OPAQUE_FLOAT:
      if (v.val.floatVal == nullptr) return false;
      end = asn_build_float(buffer, &room, v.type, v.val.floatVal, sizeof(float));
      break;
    case ASN_OPAQUE_DOUBLE:
      if (v.val.doubleVal == nullptr) return false;
      end = asn_build_double(buffer, &room, v.type, v.val.doubleVal, sizeof(double));
      break;
    case ASN_OPAQUE_COUNTER64:
    case ASN_OPAQUE_U64:
      if (v.val.counter64 == nullptr) return false;
      end = asn_build_unsigned_int64(buffer, &room, v.type, v.val.counter64, sizeof(counter64));
      break;
    case ASN_OPAQUE_I64:
      if (v.val.counter64 == nullptr) return false;
      end = asn_build_signed_int64(buffer, &room, v.type, v.val.counter64, sizeof(counter64));
      break;
    default:
      return false;
  }
  if (end == nullptr) return false;
  // `buffer` holds the Opaque (tag 0x44, a length, the wrapped bytes); skip tag and length.
  size_t total = static_cast<size_t>(end - buffer);
  if (total < 2 || buffer[0] != ASN_OPAQUE) return false;
  size_t header = (buffer[1] & 0x80) ? 2 + (buffer[1] & 0x7F) : 2;
  if (header > total) return false;
  octets->assign(reinterpret_cast<const char*>(buffer + header), total - header);
  return true;
}

}  // namespace

std::vector<unsigned long> NameOf(const netsnmp_variable_list& variable) {
  std::vector<unsigned long> name;
  if (variable.name == nullptr) return name;
  name.reserve(variable.name_length);
  for (size_t i = 0; i < variable.name_length; ++i) {
    name.push_back(static_cast<unsigned long>(variable.name[i]));
  }
  return name;
}

std::string DottedOid(const std::vector<unsigned long>& oid) {
  std::string text;
  for (size_t i = 0; i < oid.size(); ++i) {
    if (i > 0) text += '.';
    text += std::to_string(oid[i]);
  }
  return text;
}

VariableClass ConvertVariable(const netsnmp_variable_list& v, TolSnmpValue* value,
                              std::string* reason) {
  TolSnmpValue out;
  switch (v.type) {
    case SNMP_NOSUCHOBJECT:
      return VariableClass::kNoSuchObject;
    case SNMP_NOSUCHINSTANCE:
      return VariableClass::kNoSuchInstance;
    case SNMP_ENDOFMIBVIEW:
      return VariableClass::kEndOfMibView;
    case ASN_INTEGER:
      out.kind = TolSnmpValue::kInteger;
      // Integer32: the library keeps the sign-extended value in a long.
      out.integer = v.val.integer ? static_cast<int>(*v.val.integer) : 0;
      break;
    case ASN_COUNTER:
    case ASN_GAUGE:  // also Unsigned32
    case ASN_TIMETICKS:
    case ASN_UINTEGER:
      out.kind = v.type == ASN_COUNTER     ? TolSnmpValue::kCounter32
                 : v.type == ASN_TIMETICKS ? TolSnmpValue::kTimeTicks
                                           : TolSnmpValue::kUnsigned;
      out.integer = v.val.integer ? static_cast<long long>(*v.val.integer & 0xFFFFFFFFul) : 0;
      break;
    case ASN_COUNTER64:
      out.kind = TolSnmpValue::kCounter64;
      out.integer = v.val.counter64 ? static_cast<long long>(Unsigned64(*v.val.counter64)) : 0;
      break;
    case ASN_OCTET_STR:
    case ASN_BIT_STR:  // SMIv1 leftovers that carry octets, read as octets
    case ASN_NSAP:
      out.kind = TolSnmpValue::kOctetString;
      out.bytes = Octets(v);
      break;
    case ASN_IPADDRESS:
      out.kind = TolSnmpValue::kIpAddress;
      out.bytes = Octets(v);
      if (out.bytes.size() != 4) {
        if (reason) *reason = "IpAddress of " + std::to_string(out.bytes.size()) + " octets";
        return VariableClass::kUnsupported;
      }
      break;
    case ASN_OBJECT_ID:
      out.kind = TolSnmpValue::kObjectId;
      if (v.val.objid != nullptr) {
        size_t n = v.val_len / sizeof(oid);
        for (size_t i = 0; i < n; ++i)
          out.oid.push_back(static_cast<unsigned long>(v.val.objid[i]));
      }
      break;
    case ASN_OPAQUE:
      out.kind = TolSnmpValue::kOpaque;
      out.bytes = Octets(v);
      break;
    case ASN_OPAQUE_FLOAT:
    case ASN_OPAQUE_DOUBLE:
    case ASN_OPAQUE_COUNTER64:
    case ASN_OPAQUE_U64:
    case ASN_OPAQUE_I64:
      out.kind = TolSnmpValue::kOpaque;
      if (!OpaqueOctets(v, &out.bytes)) {
        if (reason) *reason = "undecodable Opaque";
        return VariableClass::kUnsupported;
      }
      break;
    case ASN_NULL:
      out.kind = TolSnmpValue::kNull;
      break;
    default: {
      if (reason) {
        char tag[8];
        std::snprintf(tag, sizeof(tag), "0x%02X", static_cast<unsigned>(v.type));
        *reason = std::string("value of unsupported type ") + tag;
      }
      return VariableClass::kUnsupported;
    }
  }
  *value = std::move(out);
  return VariableClass::kValue;
}

}  // namespace tolnetsnmp
