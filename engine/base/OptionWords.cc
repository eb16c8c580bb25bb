#include "engine/base/OptionWords.h"

#include <algorithm>

namespace disco {

bool ReadOptionWord(const std::vector<std::string>& args, std::size_t* i,
                    const std::vector<std::string>& valued, std::string* name, std::string* value,
                    bool* hasValue, std::string* error) {
  const std::string& word = args[*i];
  std::size_t equals = word.find('=');
  auto isValued = [&valued](const std::string& n) {
    return std::find(valued.begin(), valued.end(), n) != valued.end();
  };
  bool inlineValue = equals != std::string::npos &&
                     (word.compare(0, 2, "--") == 0 || isValued(word.substr(0, equals)));
  *name = inlineValue ? word.substr(0, equals) : word;
  value->clear();
  *hasValue = isValued(*name);
  if (!*hasValue) return true;
  if (inlineValue) {
    *value = word.substr(equals + 1);
    return true;
  }
  if (*i + 1 >= args.size()) {
    *error = *name + " needs a value";
    return false;
  }
  *value = args[++*i];
  return true;
}

}  // namespace disco
