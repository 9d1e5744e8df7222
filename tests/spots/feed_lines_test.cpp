#include "spots/feed_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keblor::test {
namespace {

std::vector<std::string> PushAll(FeedLines& lines, std::initializer_list<std::string> pieces) {
  std::vector<std::string> got;
  for (const std::string& piece : pieces) lines.Push(piece, [&](std::string_view line) { got.emplace_back(line); });
  return got;
}

// CR, LF and CRLF end lines, also across pieces; blank lines are left out; telnet's option talk
// (WILL/DO with an option, a subnegotiation, a doubled IAC) is taken out even when cut. A login
// prompt answered is not the start of the next line.
TEST(FeedLines, CutsLinesAndLeavesOutTelnetCommands) {
  FeedLines lines;
  const std::string iac = "\xff";
  EXPECT_EQ(PushAll(lines, {"one\r\ntw", "o\n\nthr" + iac, "\xfb\x01" "ee\r", iac + "\xfa\x18\x01" + iac, "\xf0" "four" + iac + iac + "\n"}),
            (std::vector<std::string>{"one", "two", "three", "four"}));
  EXPECT_EQ(PushAll(lines, {"login: "}), std::vector<std::string>{});
  EXPECT_EQ(lines.Pending(), "login: ");
  EXPECT_TRUE(lines.TakeLoginPrompt());
  EXPECT_EQ(PushAll(lines, {"Hello\r\n", "pass"}), std::vector<std::string>{"Hello"});
  EXPECT_FALSE(lines.TakeLoginPrompt());
  lines.Reset();
  EXPECT_EQ(lines.Pending(), "");
}

// A line of MAX_SPOT_LINE_BYTES arrives; one byte more and it is dropped with its rest, and
// nothing of it is held; the next line arrives whole.
TEST(FeedLines, DropsALineOverTheLimitWithItsRest) {
  FeedLines lines;
  const std::string longest(MAX_SPOT_LINE_BYTES, 'a');
  EXPECT_EQ(PushAll(lines, {longest + "\n"}), std::vector<std::string>{longest});
  EXPECT_EQ(PushAll(lines, {longest, "b", std::string(5000, 'c')}), std::vector<std::string>{});
  EXPECT_LE(lines.Pending().size(), MAX_SPOT_LINE_BYTES);
  EXPECT_EQ(PushAll(lines, {"c\r\nnext\n"}), std::vector<std::string>{"next"});
}

TEST(IsLoginPrompt, LoginOrCallBeforeAColonInAnyCase) {
  for (const char* prompt : {"login:", "Login: ", "Please enter your call:", "CALLSIGN:\t", "Your callsign please :"})
    EXPECT_TRUE(IsLoginPrompt(prompt)) << prompt;
  for (const char* other : {"", "login", "Please enter your call", "password:", "Hello W3LPL, this is node 2"})
    EXPECT_FALSE(IsLoginPrompt(other)) << other;
}

TEST(FeedRetry, DoublesFromTheFirstWaitUpToTheLongestAndStartsOver) {
  FeedRetry retry;
  for (int expected : {5000, 10000, 20000, 40000, 80000, 120000, 120000}) EXPECT_EQ(retry.NextWaitMs(), expected);
  retry.Reset();
  EXPECT_EQ(retry.NextWaitMs(), 5000);
}

}  // namespace
}  // namespace keblor::test
