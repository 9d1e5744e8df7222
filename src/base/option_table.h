#pragma once
// A command line read through a table of options: the table that also writes the options' part
// of --help, for each of the programs. Standard library only.

#include <algorithm>
#include <span>
#include <string>
#include <string_view>

namespace keblor {

// One option of a program. `apply` changes the options and returns why the option is refused
// (the text after "NAME: "), or nothing. A row named "--" ends the options: each argument after
// it is an operand, even one that starts with "-".
template <class Options>
struct OptionRow {
  std::string_view names;      // as --help lists them: "--input", "-h, --help"; leading blanks
                               // line a long name up under the one above
  std::string_view value;      // its value (the next argument) as --help names it, "FILE"; empty
                               // for an option without one
  std::string_view valueName;  // the same in the message when it is missing: "settings file name"
  std::string_view help;       // what it does, lines separated by '\n'
  std::string (*apply)(Options& options, std::string_view value) = nullptr;
  bool ends = false;           // answered at once (--help, --version): what follows is not read
};

namespace option_table_detail {

inline bool Names(std::string_view names, std::string_view arg) {
  while (!names.empty()) {
    const std::size_t comma = std::min(names.find(','), names.size());
    std::string_view name = names.substr(0, comma);
    name.remove_prefix(std::min(name.find_first_not_of(' '), name.size()));
    if (name == arg) return true;
    names.remove_prefix(std::min(comma + 1, names.size()));
  }
  return false;
}

}  // namespace option_table_detail

// Reads argv[1..argc-1] into `options`. An argument that is no option goes to `operand`, or is
// refused as unexpected without one. Returns why the command line is refused, one line without
// its line end ("--input: missing input name", "--nope: unknown option"), or nothing.
template <class Options>
std::string ReadCommandLine(int argc, const char* const* argv, std::span<const OptionRow<Options>> table,
                            Options& options, std::string (*operand)(Options&, std::string_view) = nullptr) {
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const OptionRow<Options>* row = nullptr;
    if (!optionsEnded) {
      for (const OptionRow<Options>& candidate : table) {
        if (option_table_detail::Names(candidate.names, arg)) {
          row = &candidate;
          break;
        }
      }
    }
    std::string refused;
    if (row == nullptr) {
      if (!optionsEnded && arg.size() > 1 && arg[0] == '-') return std::string(arg) + ": unknown option";
      refused = operand != nullptr ? operand(options, arg) : "unexpected argument";
    } else if (row->names == "--") {
      optionsEnded = true;
    } else {
      std::string_view value;
      if (!row->value.empty()) {
        if (i + 1 >= argc) return std::string(arg) + ": missing " + std::string(row->valueName);
        value = argv[++i];
      }
      refused = row->apply(options, value);
      if (refused.empty() && row->ends) return {};
    }
    if (!refused.empty()) return std::string(arg) + ": " + refused;
  }
  return {};
}

// The options' lines of --help, in table order: two blanks, the names and the value, then the
// help from a column two blanks past the widest of those; its further lines start there too.
template <class Options>
std::string OptionsHelp(std::span<const OptionRow<Options>> table) {
  const auto label = [](const OptionRow<Options>& row) {
    std::string text(row.names);
    if (!row.value.empty()) text.append(" ").append(row.value);
    return text;
  };
  std::size_t width = 0;
  for (const OptionRow<Options>& row : table) width = std::max(width, label(row).size());
  const std::string indent(2 + width + 2, ' ');
  std::string text;
  for (const OptionRow<Options>& row : table) {
    const std::size_t start = text.size();
    text.append("  ").append(label(row));
    text.resize(start + indent.size(), ' ');
    std::string_view help = row.help;
    while (true) {
      const std::size_t end = std::min(help.find('\n'), help.size());
      text.append(help.substr(0, end)) += '\n';
      if (end == help.size()) break;
      help.remove_prefix(end + 1);
      text += indent;
    }
  }
  return text;
}

}  // namespace keblor
