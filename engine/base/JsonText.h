// Pretty-printed JSON text written piece by piece, exactly as nlohmann's dump(2) would print the
// same document, so that a results file of any size is written without ever holding it as one
// JSON tree. Each function appends the text of a value that stands at nesting `depth` (its
// first line is not indented, its inner lines are indented for depth + 1, its closing bracket
// for `depth`).
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

class CTolAtom;
class CTolVBList;

namespace disco {

// Keys keep the order in which they are written.
using Json = nlohmann::ordered_json;

// Two spaces per level.
void AppendIndent(std::string* out, int depth);
// A JSON string: escaped, invalid UTF-8 replaced by U+FFFD, other text kept as it is.
void AppendJsonString(std::string* out, std::string_view text);
// Any JSON value, as dump(2) prints it at that depth.
void AppendJson(std::string* out, const Json& value, int depth);
// An object's text without its closing line ("\n" + indent + "}"), so that the caller can go on
// with ",\n" and more members. `object` must be a non-empty object.
void AppendOpenObject(std::string* out, const Json& object, int depth);

// A record's fields: [{"name": ..., "type": ..., "value": ...}, ...] in list order. Types:
// "integer" (a number), "string", "bytes" (upper-case hex text), "object" (nested fields),
// "vector" (a list of {"type", "value"}), "null" (a field without value, value null).
void AppendFields(std::string* out, const CTolVBList& fields, int depth);

// The value of field `name` (the first with that name) as text: strings as they are, integers
// in decimal, bytes in upper-case hex, objects and vectors as compact JSON. `absent` when the
// field is missing or has no value.
std::string FieldText(const CTolVBList& fields, const char* name, const std::string& absent);
// The integer value of field `name`; false when missing or not an integer.
bool FieldInteger(const CTolVBList& fields, const char* name, long long* value);
// The value of field `name` (borrowed), or null when missing or valueless.
const CTolAtom* FieldValue(const CTolVBList& fields, const char* name);

}  // namespace disco
