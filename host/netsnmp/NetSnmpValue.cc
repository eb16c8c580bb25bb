#include "host/netsnmp/NetSnmpValue.h"

#include <cstdio>

namespace tolnetsnmp {
namespace {

// The octets of `v` into `*bytes` (which is empty).
void AssignOctets(const netsnmp_variable_list& v, std::string* bytes) {
  if (v.val.string != nullptr && v.val_len > 0) {
    bytes->assign(reinterpret_cast<const char*>(v.val.string), v.val_len);
  }
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

// What `v` is when it is not a value that converts: an exception of SNMPv2 answers, or a type or
// length this system does not carry (`*reason` says which). kValue for a value; an Opaque the
// library decoded leaves the octets it wrapped in `*opaque`.
VariableClass Classify(const netsnmp_variable_list& v, std::string* opaque, std::string* reason) {
  switch (v.type) {
    case SNMP_NOSUCHOBJECT:
      return VariableClass::kNoSuchObject;
    case SNMP_NOSUCHINSTANCE:
      return VariableClass::kNoSuchInstance;
    case SNMP_ENDOFMIBVIEW:
      return VariableClass::kEndOfMibView;
    case ASN_IPADDRESS: {
      size_t octets = v.val.string != nullptr ? v.val_len : 0;
      if (octets != 4) {
        if (reason) *reason = "IpAddress of " + std::to_string(octets) + " octets";
        return VariableClass::kUnsupported;
      }
      break;
    }
    case ASN_OPAQUE_FLOAT:
    case ASN_OPAQUE_DOUBLE:
    case ASN_OPAQUE_COUNTER64:
    case ASN_OPAQUE_U64:
    case ASN_OPAQUE_I64:
      if (!OpaqueOctets(v, opaque)) {
        if (reason) *reason = "undecodable Opaque";
        return VariableClass::kUnsupported;
      }
      break;
    case ASN_INTEGER:
    case ASN_COUNTER:
    case ASN_GAUGE:  // also Unsigned32
    case ASN_TIMETICKS:
    case ASN_UINTEGER:
    case ASN_COUNTER64:
    case ASN_OCTET_STR:
    case ASN_BIT_STR:  // SMIv1 leftovers that carry octets, read as octets
    case ASN_NSAP:
    case ASN_OBJECT_ID:
    case ASN_OPAQUE:
    case ASN_NULL:
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
  return VariableClass::kValue;
}

// Writes the value of `v`, which Classify() found to be one, over every field of `*value`.
void AssignValue(const netsnmp_variable_list& v, std::string* opaque, TolSnmpValue* value) {
  // Written in place: a walk converts straight into its rows.
  value->integer = 0;
  value->bytes.clear();
  value->oid.clear();
  switch (v.type) {
    case ASN_INTEGER:
      value->kind = TolSnmpValue::kInteger;
      // Integer32: the library keeps the sign-extended value in a long.
      value->integer = v.val.integer ? static_cast<int>(*v.val.integer) : 0;
      break;
    case ASN_COUNTER:
    case ASN_GAUGE:
    case ASN_TIMETICKS:
    case ASN_UINTEGER:
      value->kind = v.type == ASN_COUNTER     ? TolSnmpValue::kCounter32
                    : v.type == ASN_TIMETICKS ? TolSnmpValue::kTimeTicks
                                              : TolSnmpValue::kUnsigned;
      value->integer = v.val.integer ? static_cast<long long>(*v.val.integer & 0xFFFFFFFFul) : 0;
      break;
    case ASN_COUNTER64:
      value->kind = TolSnmpValue::kCounter64;
      value->integer = v.val.counter64 ? static_cast<long long>(Unsigned64(*v.val.counter64)) : 0;
      break;
    case ASN_OCTET_STR:
    case ASN_BIT_STR:
    case ASN_NSAP:
      value->kind = TolSnmpValue::kOctetString;
      AssignOctets(v, &value->bytes);
      break;
    case ASN_IPADDRESS:
      value->kind = TolSnmpValue::kIpAddress;
      AssignOctets(v, &value->bytes);
      break;
    case ASN_OBJECT_ID:
      value->kind = TolSnmpValue::kObjectId;
      if (v.val.objid != nullptr)
        value->oid.assign(v.val.objid, v.val.objid + v.val_len / sizeof(oid));
      break;
    case ASN_OPAQUE:
      value->kind = TolSnmpValue::kOpaque;
      AssignOctets(v, &value->bytes);
      break;
    case ASN_NULL:
      value->kind = TolSnmpValue::kNull;
      break;
    default:  // the Opaque kinds the library decoded
      value->kind = TolSnmpValue::kOpaque;
      value->bytes.swap(*opaque);
      break;
  }
}

}  // namespace

std::vector<unsigned long> NameOf(const netsnmp_variable_list& variable) {
  if (variable.name == nullptr) return {};
  return std::vector<unsigned long>(variable.name, variable.name + variable.name_length);
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
  // First what is not a value, so that `*value` changes only for one.
  std::string opaque;  // what an Opaque decoded by the library wrapped
  const VariableClass c = Classify(v, &opaque, reason);
  if (c != VariableClass::kValue) return c;
  AssignValue(v, &opaque, value);
  return VariableClass::kValue;
}

}  // namespace tolnetsnmp
