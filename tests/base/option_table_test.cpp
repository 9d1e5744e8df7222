// A command line read through an option table, and the help the same table writes.
#include "base/option_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace keblor {
namespace {

struct Seen {
  std::vector<std::string> got;
};

std::string Keep(Seen& seen, std::string_view value) {
  if (value == "bad") return "not good";
  seen.got.emplace_back(value.empty() ? "flag" : value);
  return {};
}

constexpr OptionRow<Seen> TABLE[]{
    {"--name", "NAME", "a name", "takes a name\nover two lines", Keep},
    {"--flag", {}, {}, "takes nothing", Keep},
    {"-h, --help", {}, {}, "answers", Keep, true},
    {"    --longer-one", {}, {}, "lined up", Keep},
    {"--", {}, {}, "ends the options", nullptr},
};

std::string Operand(Seen& seen, std::string_view value) {
  seen.got.push_back("operand " + std::string(value));
  return {};
}

// The reason a command line is refused, and what was applied up to there.
std::string Read(std::vector<const char*> args, Seen& seen, bool operands = true) {
  args.insert(args.begin(), "program");
  return ReadCommandLine<Seen>(static_cast<int>(args.size()), args.data(), TABLE, seen, operands ? Operand : nullptr);
}

TEST(OptionTable, OptionsValuesAndOperandsInTheirOrder) {
  Seen seen;
  EXPECT_EQ(Read({"--flag", "--name", "--flag", "x", "--longer-one", "--", "--name", "-"}, seen), "");
  EXPECT_EQ(seen.got, (std::vector<std::string>{"flag", "--flag", "operand x", "flag", "operand --name", "operand -"}));

  Seen answered;  // an answering option ends the reading, by either of its names
  EXPECT_EQ(Read({"--flag", "-h", "--nope"}, answered), "");
  EXPECT_EQ(Read({"--help", "--nope"}, answered), "");
  EXPECT_EQ(answered.got.size(), 3u);
}

TEST(OptionTable, RefusalsNameTheArgument) {
  Seen seen;
  EXPECT_EQ(Read({"--name"}, seen), "--name: missing a name");
  EXPECT_EQ(Read({"--name", "bad"}, seen), "--name: not good");
  EXPECT_EQ(Read({"--nope", "--help"}, seen), "--nope: unknown option");
  EXPECT_EQ(Read({"--version"}, seen), "--version: unknown option");
  EXPECT_EQ(Read({"x"}, seen, false), "x: unexpected argument");
  EXPECT_EQ(Read({"--"}, seen, false), "");
  EXPECT_TRUE(seen.got.empty());
}

TEST(OptionTable, HelpStartsEachTextTwoBlanksPastTheWidestOption) {
  EXPECT_EQ(OptionsHelp<Seen>(TABLE),
            "  --name NAME       takes a name\n"
            "                    over two lines\n"
            "  --flag            takes nothing\n"
            "  -h, --help        answers\n"
            "      --longer-one  lined up\n"
            "  --                ends the options\n");
}

}  // namespace
}  // namespace keblor
