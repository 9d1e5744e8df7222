#include "spots/feed_session.h"

#include <gtest/gtest.h>

#include <vector>

namespace keblor::test {
namespace {

// Waits of 10 ms doubling to 40; states are "" for Fine, else the reason.
struct Feed {
  std::string sent;
  std::vector<std::string> lines, states;
  std::string closeAt;  // a line whose handler closes the feed
  FeedSession session{[this](std::string_view bytes) { sent += bytes; }, 10, 40};

  Feed() {
    session.Open("h", 7300, "N0CALL", {[this](std::string_view line) {
                                         lines.emplace_back(line);
                                         if (line == closeAt) session.Close();
                                       },
                                       [this](const Status& s) { states.push_back(s.reason); }});
    session.Connecting();
  }
};

// A prompt cut across reads and without a line end is answered when the pass ends, once; a
// prompt line of the next connection, which keeps nothing of the last, is answered again.
TEST(FeedSession, AnswersTheLoginPromptOncePerConnection) {
  Feed f;
  f.session.Received("Please enter your ");
  f.session.PassEnded();
  EXPECT_EQ(f.sent, "");
  f.session.Received("call: ");
  f.session.PassEnded();
  EXPECT_EQ(f.sent, "N0CALL\r\n");
  f.session.Received("login:\r\n");
  f.session.PassEnded();
  f.session.Received("half");
  f.session.Connecting();
  f.session.Received("login:\r\n");
  EXPECT_EQ(f.sent, "N0CALL\r\nN0CALL\r\n");
  EXPECT_EQ(f.lines, (std::vector<std::string>{"login:", "login:"}));
  EXPECT_EQ(f.states, std::vector<std::string>{""});  // Fine, once
}

// Lost once until the feed is heard again; the waits double until then and start over after.
TEST(FeedSession, ReportsALossOnceUntilHeardAndRestartsTheWaits) {
  Feed f;
  EXPECT_EQ(f.session.Lost("refused"), 10);
  f.session.Connecting();
  EXPECT_EQ(f.session.Lost("refused"), 20);
  f.session.Connecting();
  f.session.Received("x");
  EXPECT_EQ(f.session.Lost("closed"), 10);
  EXPECT_EQ(f.states, (std::vector<std::string>{"h:7300: refused", "", "h:7300: closed"}));
}

// A handler that closes the feed stops the lines after its own, the answer and the next try.
TEST(FeedSession, NothingFollowsAHandlerThatClosesTheFeed) {
  Feed f;
  f.closeAt = "bye";
  EXPECT_FALSE(f.session.Received("one\r\nbye\r\nlogin:\r\n"));
  EXPECT_EQ(f.lines, (std::vector<std::string>{"one", "bye"}));
  EXPECT_EQ(f.sent, "");
  f.session.Open("h", 1, "C", {{}, [&](const Status&) { f.session.Close(); }});
  EXPECT_EQ(f.session.Lost("gone"), std::nullopt);
}

}  // namespace
}  // namespace keblor::test
