#include "spots/feed_session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keblor::test {
namespace {

struct Feed {
  std::string sent;
  std::vector<std::string> lines, states;  // states: "" for Fine, else the reason
  FeedSession session{[this](std::string_view bytes) { sent += bytes; }, 10, 40};

  void Open(std::function<void(std::string_view)> onLine = {}) {
    session.Open("h", 7300, "N0CALL", {[this, onLine](std::string_view line) {
                                         lines.emplace_back(line);
                                         if (onLine) onLine(line);
                                       },
                                       [this](const Status& s) { states.push_back(s.reason); }});
    session.Connecting();
  }
};

// A prompt cut across reads and without a line end is answered when the pass ends, once; a
// prompt line of the next connection is answered again, before it is delivered.
TEST(FeedSession, AnswersTheLoginPromptOncePerConnection) {
  Feed f;
  f.Open();
  f.session.Received("Please enter your ");
  f.session.PassEnded();
  EXPECT_EQ(f.sent, "");
  f.session.Received("call: ");
  f.session.PassEnded();
  EXPECT_EQ(f.sent, "N0CALL\r\n");
  f.session.Received("login:\r\n");
  f.session.PassEnded();
  EXPECT_EQ(f.sent, "N0CALL\r\n");
  f.session.Connecting();
  f.session.Received("login:\r\n");
  EXPECT_EQ(f.sent, "N0CALL\r\nN0CALL\r\n");
  EXPECT_EQ(f.lines, (std::vector<std::string>{"login:", "login:"}));
}

// Lost once until the feed is heard again; the waits double until then and start over after.
TEST(FeedSession, ReportsALossOnceUntilHeardAndRestartsTheWaits) {
  Feed f;
  f.Open();
  EXPECT_EQ(f.session.Lost("refused"), 10);
  f.session.Connecting();
  EXPECT_EQ(f.session.Lost("refused"), 20);
  EXPECT_EQ(f.states, std::vector<std::string>{"h:7300: refused"});
  f.session.Connecting();
  f.session.Received("x");
  f.session.Received("y");
  EXPECT_EQ(f.session.Lost("closed"), 10);
  EXPECT_EQ(f.states, (std::vector<std::string>{"h:7300: refused", "", "h:7300: closed"}));
  f.Open();
  f.session.Lost("closed");
  EXPECT_EQ(f.states.size(), 4u);
}

// A handler that closes the feed stops the lines after its own, the answer and the next try.
TEST(FeedSession, NothingFollowsAHandlerThatClosesTheFeed) {
  Feed f;
  f.Open([&](std::string_view line) {
    if (line == "bye") f.session.Close();
  });
  EXPECT_FALSE(f.session.Received("one\r\nbye\r\nlogin:\r\n"));
  EXPECT_EQ(f.lines, (std::vector<std::string>{"one", "bye"}));
  EXPECT_EQ(f.sent, "");
  FeedSession& session = f.session;
  const FeedHandlers closing{[&](std::string_view line) { f.lines.emplace_back(line); },
                             [&](const Status&) { session.Close(); }};
  session.Open("h", 1, "C", closing);
  session.Connecting();
  EXPECT_FALSE(session.Received("DX\r\n"));
  EXPECT_EQ(f.lines.size(), 2u);
  session.Open("h", 1, "C", closing);
  EXPECT_EQ(session.Lost("gone"), std::nullopt);
}

}  // namespace
}  // namespace keblor::test
