#include "engine/base/JsonText.h"

#include <cstring>

#include "host/CTolAtom.h"
#include "host/CTolAtomVector.h"
#include "host/CTolVBList.h"

namespace disco {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Appends `text` (JSON text as dump(2) prints it at depth 0) with its lines indented for `depth`.
void AppendReindented(std::string* out, const std::string& text, int depth) {
  if (depth == 0) {
    out->append(text);
    return;
  }
  std::size_t start = 0;
  for (std::size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', start)) {
    out->append(text, start, nl + 1 - start);
    AppendIndent(out, depth);
    start = nl + 1;
  }
  out->append(text, start, std::string::npos);
}

void AppendAtom(std::string* out, const CTolAtom* atom, int depth);

// {"type": ..., "value": ...} members at depth + 1, closing at depth.
void AppendTypedValue(std::string* out, const CTolAtom* atom, int depth, const char* name) {
  out->append("{\n");
  if (name != nullptr) {
    AppendIndent(out, depth + 1);
    out->append("\"name\": ");
    AppendJsonString(out, name);
    out->append(",\n");
  }
  static const char* const kTypes[] = {"integer", "string", "bytes", "object", "vector", "null"};
  const char* type = kTypes[5];
  if (atom != nullptr) {
    switch (atom->RAType()) {
      case eTolInteger:
        type = kTypes[0];
        break;
      case eTolString:
        type = kTypes[1];
        break;
      case eTolBytes:
        type = kTypes[2];
        break;
      case eTolObject:
        type = kTypes[3];
        break;
      case eTolVector:
        type = kTypes[4];
        break;
      case eTolNull:
        break;
    }
  }
  AppendIndent(out, depth + 1);
  out->append("\"type\": \"").append(type).append("\",\n");
  AppendIndent(out, depth + 1);
  out->append("\"value\": ");
  AppendAtom(out, atom, depth + 1);
  out->push_back('\n');
  AppendIndent(out, depth);
  out->push_back('}');
}

void AppendAtom(std::string* out, const CTolAtom* atom, int depth) {
  if (atom == nullptr) {
    out->append("null");
    return;
  }
  switch (atom->RAType()) {
    case eTolInteger:
      out->append(std::to_string(atom->RAInt64()));
      return;
    case eTolString:
      AppendJsonString(out, atom->RAString());
      return;
    case eTolBytes: {
      const unsigned char* bytes = nullptr;
      int length = 0;
      atom->RAUChar(&bytes, &length);
      out->push_back('"');
      for (int i = 0; i < length; ++i) {
        out->push_back(kHexDigits[bytes[i] >> 4]);
        out->push_back(kHexDigits[bytes[i] & 15]);
      }
      out->push_back('"');
      return;
    }
    case eTolObject:
      AppendFields(out, *atom->RAObject(), depth);
      return;
    case eTolVector: {
      const CTolAtomVector& v = *atom->RAVector();
      if (v.RAVSize() == 0) {
        out->append("[]");
        return;
      }
      out->append("[\n");
      for (int i = 0; i < v.RAVSize(); ++i) {
        if (i > 0) out->append(",\n");
        AppendIndent(out, depth + 1);
        AppendTypedValue(out, v.RAVGetValue(i), depth + 1, nullptr);
      }
      out->push_back('\n');
      AppendIndent(out, depth);
      out->push_back(']');
      return;
    }
    case eTolNull:
      break;
  }
  out->append("null");
}

}  // namespace

void AppendIndent(std::string* out, int depth) {
  out->append(2 * static_cast<std::size_t>(depth), ' ');
}

void AppendJsonString(std::string* out, std::string_view text) {
  bool plain = true;
  for (unsigned char c : text) {
    if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') {
      plain = false;
      break;
    }
  }
  if (plain) {
    out->push_back('"');
    out->append(text);
    out->push_back('"');
    return;
  }
  // Escapes, UTF-8 checking and replacement exactly as the library does them.
  out->append(Json(std::string(text)).dump(-1, ' ', false, Json::error_handler_t::replace));
}

void AppendJson(std::string* out, const Json& value, int depth) {
  AppendReindented(out, value.dump(2, ' ', false, Json::error_handler_t::replace), depth);
}

void AppendOpenObject(std::string* out, const Json& object, int depth) {
  std::string text = object.dump(2, ' ', false, Json::error_handler_t::replace);
  text.erase(text.rfind('\n'));  // the closing "\n}"
  AppendReindented(out, text, depth);
}

void AppendFields(std::string* out, const CTolVBList& fields, int depth) {
  const CTolVarBind* vb = fields.RVBLHead();
  if (vb == nullptr) {
    out->append("[]");
    return;
  }
  out->append("[\n");
  for (bool first = true; vb != nullptr; vb = fields.RVBLGetNext(vb), first = false) {
    if (!first) out->append(",\n");
    AppendIndent(out, depth + 1);
    std::string name = vb->RVBName() ? vb->RVBName()->RAText() : std::string();
    AppendTypedValue(out, vb->RVBValue(), depth + 1, name.c_str());
  }
  out->push_back('\n');
  AppendIndent(out, depth);
  out->push_back(']');
}

const CTolAtom* FieldValue(const CTolVBList& fields, const char* name) {
  const CTolVarBind* vb = fields.RVBLFind(name);
  const CTolAtom* value = vb ? vb->RVBValue() : nullptr;
  return value != nullptr && value->RAType() != eTolNull ? value : nullptr;
}

std::string FieldText(const CTolVBList& fields, const char* name, const std::string& absent) {
  const CTolAtom* value = FieldValue(fields, name);
  if (value == nullptr) return absent;
  switch (value->RAType()) {
    case eTolString:
      return value->RAString();
    case eTolObject:
    case eTolVector: {
      std::string text;
      AppendAtom(&text, value, 0);
      return Json::parse(text).dump(-1, ' ', false, Json::error_handler_t::replace);
    }
    case eTolInteger:
    case eTolBytes:
    case eTolNull:
      break;
  }
  std::string text;
  AppendAtom(&text, value, 0);
  if (value->RAType() == eTolBytes) text = text.substr(1, text.size() - 2);  // without quotes
  return text;
}

bool FieldInteger(const CTolVBList& fields, const char* name, long long* value) {
  const CTolAtom* atom = FieldValue(fields, name);
  if (atom == nullptr || atom->RAType() != eTolInteger) return false;
  *value = atom->RAInt64();
  return true;
}

}  // namespace disco
