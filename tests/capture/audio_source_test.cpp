// The capture layer's own rules: which back end is used, and how an input is named.
#include "capture/audio_source.h"

#include <gtest/gtest.h>

#include "capture/backend_choice.h"
#include "fakes/fake_audio_source.h"

namespace keblor::test {
namespace {

// The sound server is asked once, on first use and not before; without an answer the fallback
// gets every call, and a close before any use contacts neither.
TEST(BackEndChoice, ThePreferredBackEndWhenItAnswersElseTheFallback) {
  for (const bool answers : {true, false}) {
    FakeAudioSource server;
    FakeAudioSource fallback;
    int asked = 0;
    BackEndChoice choice(server, [&] {
      ++asked;
      return answers;
    }, fallback);
    choice.Close();
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(server.calls.empty() && fallback.calls.empty());

    EXPECT_TRUE(QueryAndOpen(choice, {2, 8}).Ok());
    choice.SelectInput("rig");
    choice.Close();
    FakeAudioSource& used = answers ? server : fallback;
    FakeAudioSource& unused = answers ? fallback : server;
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(used.calls, (std::vector<std::string>{"query 2x8", "open 2x8", "select rig", "close"}));
    EXPECT_TRUE(unused.calls.empty());
    EXPECT_EQ(&choice.Chosen(), &used);
  }
}

TEST(FindInput, AnInputIsNamedByItsIdFirstThenByItsName) {
  const std::vector<InputInfo> inputs = {{"alsa_input.usb", "USB Audio CODEC"},
                                         {"cw.monitor", "Monitor of Null Output"},
                                         {"USB Audio CODEC", "Built-in Audio"}};
  EXPECT_EQ(FindInput(inputs, "cw.monitor"), &inputs[1]);
  EXPECT_EQ(FindInput(inputs, "Monitor of Null Output"), &inputs[1]);
  EXPECT_EQ(FindInput(inputs, "USB Audio CODEC"), &inputs[2]);  // an id wins over a name
  EXPECT_EQ(FindInput(inputs, "usb audio codec"), nullptr);
  EXPECT_EQ(FindInput(inputs, ""), nullptr);
}

}  // namespace
}  // namespace keblor::test
