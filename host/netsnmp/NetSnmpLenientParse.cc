#include "host/netsnmp/NetSnmpLenientParse.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace tolnetsnmp {
namespace {

// One BER element within a buffer: where it starts (tag octet), its whole size, its content.
struct Element {
  unsigned char tag = 0;
  const u_char* start = nullptr;
  size_t size = 0;
  const u_char* content = nullptr;
  size_t length = 0;
};

// Reads BER elements one after the other from a span of octets, never past its end.
class BerReader {
 public:
  BerReader(const u_char* data, size_t length) : m_At(data), m_Left(length) {}
  explicit BerReader(const Element& e) : BerReader(e.content, e.length) {}

  bool AtEnd() const { return m_Left == 0; }
  size_t Left() const { return m_Left; }
  const u_char* At() const { return m_At; }

  // The next element: a one-octet tag, a definite length (short form, or long form of 1 to 4
  // octets) and that many content octets, all within what is left. Returns false with `*why`
  // and reads nothing otherwise.
  bool Next(Element* out, std::string* why) {
    if (m_Left < 2) return Fail(why, m_Left == 0 ? "nothing left" : "truncated header");
    const unsigned char tag = m_At[0];
    if ((tag & 0x1F) == 0x1F) return Fail(why, "multi-octet tag");
    size_t header = 2;
    size_t length = m_At[1];
    if (length & 0x80) {
      const size_t octets = length & 0x7F;
      if (octets == 0) return Fail(why, "indefinite length");
      if (octets > 4) return Fail(why, "length of " + std::to_string(octets) + " octets");
      if (m_Left - 2 < octets) return Fail(why, "truncated length");
      length = 0;
      for (size_t i = 0; i < octets; ++i) length = (length << 8) | m_At[2 + i];
      header += octets;
    }
    if (length > m_Left - header) {
      return Fail(why, "length " + std::to_string(length) + " beyond the " +
                           std::to_string(m_Left - header) + " octets left");
    }
    out->tag = tag;
    out->start = m_At;
    out->size = header + length;
    out->content = m_At + header;
    out->length = length;
    m_At += out->size;
    m_Left -= out->size;
    return true;
  }

 private:
  static bool Fail(std::string* why, const std::string& text) {
    *why = text;
    return false;
  }

  const u_char* m_At;
  size_t m_Left;
};

// The signed value of an INTEGER element of 1 to sizeof(long) octets.
bool ReadInteger(const Element& e, long* value) {
  if (e.tag != ASN_INTEGER || e.length == 0 || e.length > sizeof(long)) return false;
  unsigned long bits = (e.content[0] & 0x80) ? ~0ul : 0ul;
  for (size_t i = 0; i < e.length; ++i) bits = (bits << 8) | e.content[i];
  *value = static_cast<long>(bits);
  return true;
}

void AppendLength(size_t length, std::string* out) {
  if (length < 0x80) {
    out->push_back(static_cast<char>(length));
    return;
  }
  unsigned char octets[sizeof(size_t)];
  size_t n = 0;
  for (; length > 0; length >>= 8) octets[n++] = static_cast<unsigned char>(length & 0xFF);
  out->push_back(static_cast<char>(0x80 | n));
  while (n > 0) out->push_back(static_cast<char>(octets[--n]));
}

std::string Wrap(unsigned char tag, const std::string& content) {
  std::string out(1, static_cast<char>(tag));
  AppendLength(content.size(), &out);
  return out + content;
}

struct VarsDeleter {
  void operator()(netsnmp_variable_list* v) const { snmp_free_varbind(v); }
};
using VarsPtr = std::unique_ptr<netsnmp_variable_list, VarsDeleter>;

// The variable binding of identifier `name` (the whole OBJECT IDENTIFIER element) and value
// `value` (the octets after it in the binding) decoded by the library, as one binding of a
// RESPONSE of `version`; null when the library cannot decode it.
VarsPtr DecodeBinding(const Element& name, const u_char* value, size_t valueSize, long version) {
  std::string binding(reinterpret_cast<const char*>(name.start), name.size);
  binding.append(reinterpret_cast<const char*>(value), valueSize);
  const std::string zero = Wrap(ASN_INTEGER, std::string(1, '\0'));
  std::string message =
      Wrap(SNMP_MSG_RESPONSE,
           zero + zero + zero +
               Wrap(ASN_SEQUENCE | ASN_CONSTRUCTOR, Wrap(ASN_SEQUENCE | ASN_CONSTRUCTOR, binding)));
  netsnmp_pdu scratch;
  std::memset(&scratch, 0, sizeof(scratch));
  scratch.version = version;
  size_t left = message.size();
  const int rc = snmp_pdu_parse(&scratch, reinterpret_cast<u_char*>(&message[0]), &left);
  VarsPtr vars(scratch.variables);
  if (rc != 0 || !vars || vars->next_variable != nullptr) return nullptr;
  return vars;
}

const char* TypeName(unsigned char tag) {
  switch (tag) {
    case ASN_INTEGER:
      return "INTEGER";
    case ASN_BIT_STR:
      return "BIT STRING";
    case ASN_OCTET_STR:
      return "OCTET STRING";
    case ASN_NULL:
      return "NULL";
    case ASN_OBJECT_ID:
      return "OBJECT IDENTIFIER";
    case ASN_IPADDRESS:
      return "IpAddress";
    case ASN_COUNTER:
      return "Counter32";
    case ASN_GAUGE:
      return "Gauge32";
    case ASN_TIMETICKS:
      return "TimeTicks";
    case ASN_OPAQUE:
      return "Opaque";
    case ASN_COUNTER64:
      return "Counter64";
    case ASN_UINTEGER:
      return "UInteger32";
    case SNMP_NOSUCHOBJECT:
      return "noSuchObject";
    case SNMP_NOSUCHINSTANCE:
      return "noSuchInstance";
    case SNMP_ENDOFMIBVIEW:
      return "endOfMibView";
    default:
      return nullptr;
  }
}

std::string TypeText(unsigned char tag) {
  if (const char* name = TypeName(tag)) return name;
  char text[32];
  std::snprintf(text, sizeof(text), "value of tag 0x%02X", static_cast<unsigned>(tag));
  return text;
}

std::string Octets(size_t n) { return std::to_string(n) + (n == 1 ? " octet" : " octets"); }

// What is wrong with the value octets `value` of a binding that the library could not decode.
std::string ValueProblem(const u_char* value, size_t valueSize) {
  if (valueSize == 0) return "no value";
  BerReader reader(value, valueSize);
  Element e;
  std::string why;
  if (!reader.Next(&e, &why)) return TypeText(value[0]) + ": " + why;
  if (!reader.AtEnd()) {
    return TypeText(e.tag) + " followed by " + Octets(reader.Left()) + " more in its binding";
  }
  switch (e.tag) {
    case ASN_INTEGER:
    case ASN_IPADDRESS:
    case ASN_COUNTER:
    case ASN_GAUGE:
    case ASN_TIMETICKS:
    case ASN_UINTEGER:
    case ASN_COUNTER64:
      return TypeText(e.tag) + " of " + Octets(e.length);
    default:
      return "undecodable " + TypeText(e.tag) + " of " + Octets(e.length);
  }
}

std::string Dotted(const netsnmp_variable_list& v) {
  std::string text;
  for (size_t i = 0; i < v.name_length; ++i) {
    if (i > 0) text += '.';
    text += std::to_string(v.name[i]);
  }
  return text;
}

bool Refuse(std::string* why, const std::string& text) {
  *why = text;
  return false;
}

}  // namespace

bool ParseResponseLeniently(const u_char* data, size_t length, long version, netsnmp_pdu* pdu,
                            std::vector<UnreadableValue>* unreadable, std::string* why) {
  if (version != SNMP_VERSION_1 && version != SNMP_VERSION_2c) {
    return Refuse(why, "not an SNMP v1 or v2c session");
  }
  std::string problem;
  Element message, versionField, community, body;
  BerReader datagram(data, length);
  if (!datagram.Next(&message, &problem) || message.tag != (ASN_SEQUENCE | ASN_CONSTRUCTOR)) {
    return Refuse(why, "not an SNMP message" + (problem.empty() ? "" : ": " + problem));
  }
  BerReader fields(message);
  long messageVersion = -1;
  if (!fields.Next(&versionField, &problem) || !ReadInteger(versionField, &messageVersion) ||
      messageVersion != version) {
    return Refuse(why, "not a message of the session's SNMP version");
  }
  if (!fields.Next(&community, &problem) || community.tag != ASN_OCTET_STR) {
    return Refuse(why, "no community");
  }
  if (!fields.Next(&body, &problem) || body.tag != SNMP_MSG_RESPONSE) {
    return Refuse(why, "no RESPONSE PDU");
  }
  BerReader header(body);
  Element requestId, errorStatus, errorIndex, list;
  long reqid = 0, errstat = 0, errindex = 0;
  if (!header.Next(&requestId, &problem) || !ReadInteger(requestId, &reqid) ||
      !header.Next(&errorStatus, &problem) || !ReadInteger(errorStatus, &errstat) ||
      !header.Next(&errorIndex, &problem) || !ReadInteger(errorIndex, &errindex) ||
      !header.Next(&list, &problem) || list.tag != (ASN_SEQUENCE | ASN_CONSTRUCTOR)) {
    return Refuse(why, "the PDU header cannot be read");
  }

  VarsPtr vars;
  netsnmp_variable_list* last = nullptr;
  std::vector<UnreadableValue> found;
  BerReader bindings(list);
  for (size_t index = 0; !bindings.AtEnd(); ++index) {
    const std::string where = "variable binding " + std::to_string(index + 1);
    Element binding, name;
    if (!bindings.Next(&binding, &problem)) return Refuse(why, where + ": " + problem);
    if (binding.tag != (ASN_SEQUENCE | ASN_CONSTRUCTOR))
      return Refuse(why, where + ": no SEQUENCE");
    BerReader parts(binding);
    if (!parts.Next(&name, &problem) || name.tag != ASN_OBJECT_ID) {
      return Refuse(why, where + ": no identifier");
    }
    VarsPtr var = DecodeBinding(name, parts.At(), parts.Left(), version);
    if (!var) {
      static const u_char kNoSuchInstance[] = {SNMP_NOSUCHINSTANCE, 0x00};
      var = DecodeBinding(name, kNoSuchInstance, sizeof(kNoSuchInstance), version);
      if (!var) return Refuse(why, where + ": the identifier cannot be read");
      found.push_back({index, Dotted(*var), ValueProblem(parts.At(), parts.Left())});
    }
    netsnmp_variable_list* added = var.release();
    if (last == nullptr) {
      vars.reset(added);
    } else {
      last->next_variable = added;
    }
    last = added;
  }
  if (found.empty()) return Refuse(why, "every value decodes");

  u_char* copy = nullptr;
  if (community.length > 0) {
    copy = static_cast<u_char*>(std::malloc(community.length));
    if (copy == nullptr) return Refuse(why, "out of memory");
    std::memcpy(copy, community.content, community.length);
  }
  std::free(pdu->community);
  pdu->community = copy;
  pdu->community_len = community.length;
  snmp_free_varbind(pdu->variables);
  pdu->variables = vars.release();
  pdu->version = version;
  pdu->securityModel = version == SNMP_VERSION_1 ? SNMP_SEC_MODEL_SNMPv1 : SNMP_SEC_MODEL_SNMPv2c;
  pdu->securityLevel = SNMP_SEC_LEVEL_NOAUTH;
  pdu->command = SNMP_MSG_RESPONSE;
  pdu->flags |= UCD_MSG_FLAG_RESPONSE_PDU;
  pdu->reqid = reqid;
  pdu->errstat = errstat;
  pdu->errindex = errindex;
  unreadable->insert(unreadable->end(), found.begin(), found.end());
  return true;
}

}  // namespace tolnetsnmp
