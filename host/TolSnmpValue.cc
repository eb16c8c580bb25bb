#include "host/TolSnmpValue.h"

#include <climits>
#include <string>
#include <utility>

#include "host/CTolAtom.h"

namespace {

const char kHex[] = "0123456789ABCDEF";

std::string Hex(const std::string& octets) {
  std::string out;
  out.reserve(octets.size() * 2);
  for (unsigned char c : octets) {
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
  }
  return out;
}

// Octets that read as text: printable ASCII and the usual white space. Trailing NULs, which
// some agents append to their strings, are not counted against it.
bool IsPrintable(const std::string& s, size_t* length) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == '\0') --n;
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if ((c < 0x20 || c > 0x7E) && c != '\t' && c != '\n' && c != '\r') return false;
  }
  *length = n;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A MAC address recorded as text ("0:4:96:12:a3:1" or "00-04-96-12-A3-01"): its six octets.
bool ParseMacText(const std::string& s, std::string* octets) {
  std::string out;
  size_t i = 0;
  while (i < s.size() && out.size() < 6) {
    int hi = HexDigit(s[i]);
    if (hi < 0) return false;
    int value = hi;
    ++i;
    if (i < s.size() && HexDigit(s[i]) >= 0) {
      value = value * 16 + HexDigit(s[i]);
      ++i;
    }
    out += static_cast<char>(value);
    if (out.size() < 6) {
      if (i >= s.size() || (s[i] != ':' && s[i] != '-')) return false;
      ++i;
    }
  }
  if (i != s.size() || out.size() != 6) return false;
  *octets = out;
  return true;
}

// The six octets of a MAC value: six octets as they are, or a MAC address written as text.
bool MacOctets(const TolSnmpValue& value, std::string* octets) {
  if (value.kind != TolSnmpValue::kOctetString) return false;
  if (value.bytes.size() == 6) {
    *octets = value.bytes;
    return true;
  }
  return ParseMacText(value.bytes, octets);
}

}  // namespace

std::string TolFormatMac(const std::string& octets) {
  std::string out;
  if (octets.size() != 6) return out;
  for (size_t i = 0; i < octets.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(octets[i]);
    if (i) out += ':';
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
  }
  return out;
}

bool TolIsRefusedMac(const TolSnmpValue& value) {
  std::string octets;
  return value.kind != TolSnmpValue::kNull && !MacOctets(value, &octets);
}

bool TolSnmpValueToAtom(const TolSnmpValue& value, bool isMac, CTolAtom* out) {
  if (isMac) {
    std::string octets;
    if (!MacOctets(value, &octets)) return false;
    *out = CTolAtom(TolFormatMac(octets).c_str());
    return true;
  }
  switch (value.kind) {
    case TolSnmpValue::kInteger:
      if (value.integer >= INT_MIN && value.integer <= INT_MAX) {
        *out = CTolAtom(static_cast<int>(value.integer));
      } else {
        *out = CTolAtom::Int64(value.integer);
      }
      return true;
    case TolSnmpValue::kUnsigned:
    case TolSnmpValue::kCounter32:
    case TolSnmpValue::kCounter64:
    case TolSnmpValue::kTimeTicks:
      *out = CTolAtom::Int64(value.integer);
      return true;
    case TolSnmpValue::kOctetString: {
      size_t length = 0;
      if (IsPrintable(value.bytes, &length)) {
        *out = CTolAtom(value.bytes.substr(0, length).c_str());
      } else {
        *out = CTolAtom(("0x" + Hex(value.bytes)).c_str());
      }
      return true;
    }
    case TolSnmpValue::kIpAddress: {
      if (value.bytes.size() != 4) {
        *out = CTolAtom(("0x" + Hex(value.bytes)).c_str());
        return true;
      }
      std::string text;
      for (size_t i = 0; i < 4; ++i) {
        if (i) text += '.';
        text += std::to_string(static_cast<unsigned char>(value.bytes[i]));
      }
      *out = CTolAtom(text.c_str());
      return true;
    }
    case TolSnmpValue::kObjectId: {
      std::string text;
      for (size_t i = 0; i < value.oid.size(); ++i) {
        if (i) text += '.';
        text += std::to_string(value.oid[i]);
      }
      *out = CTolAtom(text.c_str());
      return true;
    }
    case TolSnmpValue::kOpaque:
      *out =
          CTolAtom(reinterpret_cast<const unsigned char*>(value.bytes.data()), value.bytes.size());
      return true;
    case TolSnmpValue::kNull:
      break;
  }
  return false;
}

CTolAtom* TolSnmpValueToAtom(const TolSnmpValue& value, bool isMac) {
  CTolAtom atom;
  if (!TolSnmpValueToAtom(value, isMac, &atom)) return nullptr;
  return new CTolAtom(std::move(atom));
}
