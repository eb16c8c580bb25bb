#include "support/BerEncoding.h"

std::string BerTlv(unsigned char tag, const std::string& content) {
  std::string out(1, static_cast<char>(tag));
  size_t n = content.size();
  if (n < 0x80) {
    out += static_cast<char>(n);
  } else {
    std::string len;
    for (; n > 0; n >>= 8) len.insert(len.begin(), static_cast<char>(n & 0xFF));
    out += static_cast<char>(0x80 | len.size());
    out += len;
  }
  return out + content;
}

std::string BerIntegerContent(long value) {
  std::string bytes;
  do {
    bytes.insert(bytes.begin(), static_cast<char>(value & 0xFF));
    value >>= 8;
  } while (value != 0 && value != -1);
  // Keep the sign: a leading octet whose top bit disagrees with it needs one more octet.
  if (value == 0 && (bytes[0] & 0x80)) bytes.insert(bytes.begin(), '\0');
  if (value == -1 && !(bytes[0] & 0x80)) bytes.insert(bytes.begin(), '\xFF');
  return bytes;
}

std::string BerInteger(long value) { return BerTlv(0x02, BerIntegerContent(value)); }

std::string BerOidContent(const std::vector<unsigned long>& oid) {
  std::string out;
  if (oid.size() < 2) return out;
  out += static_cast<char>(oid[0] * 40 + oid[1]);
  for (size_t i = 2; i < oid.size(); ++i) {
    std::string sub(1, static_cast<char>(oid[i] & 0x7F));
    for (unsigned long v = oid[i] >> 7; v > 0; v >>= 7) {
      sub.insert(sub.begin(), static_cast<char>(0x80 | (v & 0x7F)));
    }
    out += sub;
  }
  return out;
}
