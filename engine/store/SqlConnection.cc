#include "engine/store/SqlConnection.h"

namespace disco {
namespace store {

std::int64_t SqlStatement::Int(int i) const {
  SqlValue v = Column(i);
  if (const auto* n = std::get_if<std::int64_t>(&v)) return *n;
  if (const auto* s = std::get_if<std::string>(&v)) return std::strtoll(s->c_str(), nullptr, 10);
  return 0;
}

std::string SqlStatement::Text(int i) const {
  SqlValue v = Column(i);
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* n = std::get_if<std::int64_t>(&v)) return std::to_string(*n);
  return "";
}

bool SqlStatement::IsNull(int i) const { return std::holds_alternative<std::monostate>(Column(i)); }

}  // namespace store
}  // namespace disco
