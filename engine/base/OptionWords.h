// The words of a subcommand's command line: "--name value" and "--name=value" for an option that
// takes a value ("-j 4" and "-j=4" for a short one), flags and plain words otherwise.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace disco {

// Reads the word args[*i]. `*name` is the option it names: the part before '=' of a
// "--name=value" word or of a "-n=value" word whose "-n" is one of `valued`, else the whole
// word. When `*name` is one of `valued` (options that take a value), `*value` is its value,
// given inline or as the next word (then `*i` moves onto that word), and `*hasValue` is true;
// otherwise `*hasValue` is false. False with `*error` set ("--db needs a value") when a valued
// option is the last word.
bool ReadOptionWord(const std::vector<std::string>& args, std::size_t* i,
                    const std::vector<std::string>& valued, std::string* name, std::string* value,
                    bool* hasValue, std::string* error);

}  // namespace disco
