#include "app/capture_session.h"

#include <gtest/gtest.h>

#include "fakes/fake_audio_source.h"
#include "fakes/fake_views.h"

namespace keblor::test {
namespace {

using Calls = std::vector<std::string>;

const std::vector<InputInfo> RIG_INPUTS = {{"alsa_input.usb-codec", "USB Audio CODEC"},
                                           {"cw2.monitor", "Monitor of Rig"}};
constexpr AudioFormat MONO_16{1, 16};

class CaptureSessionTest : public ::testing::Test {
 protected:
  CaptureSessionTest() {
    session.SetBlockHandler([this](const std::uint8_t*, const AudioFormat&) { ++blocks; });
    session.SetOnChange([this] { ++changes; });
    session.SetWatched([this] { return watched; });
  }
  bool Deliver() { return source.Deliver(std::vector<std::uint8_t>(static_cast<std::size_t>(BlockBytes(source.format)))); }
  // One block every `everyMs` for `ms`.
  void DeliverFor(int ms, int everyMs) {
    for (int t = 0; t < ms; t += everyMs) {
      ASSERT_TRUE(Deliver());
      desktop.Advance(everyMs);
    }
  }

  FakeAudioSource source;
  FakeDesktop desktop;
  FakeReports reports;
  CaptureSession session{source, desktop, reports};
  int blocks = 0;
  int changes = 0;
  bool watched = true;
};

// Each failing step of a start is shown with its code; the step that failed is the last call.
TEST_F(CaptureSessionTest, StartFailuresAreReported) {
  source.inputs = 0;
  EXPECT_FALSE(session.Begin(MONO_16, "", ""));
  EXPECT_EQ(reports.boxes, Calls{"No audio devices, exiting|Check audio devices"});
  EXPECT_TRUE(source.calls.empty());

  source.inputs = 1;
  source.queryResult = 32;
  EXPECT_FALSE(session.Begin({2, 16}, "", ""));
  EXPECT_EQ(reports.boxes.back(), "MMedia error nr 32|Check audio devices");
  EXPECT_EQ(source.calls, (Calls{"select default", "query 2x16"}));

  source.queryResult = 0;
  source.startResult = -9996;
  EXPECT_FALSE(session.Begin(MONO_16, "", ""));
  EXPECT_EQ(reports.boxes.back(), "MMedia error nr -9996|Check audio devices");
  EXPECT_EQ(source.calls.back(), "start");

  source.startResult = 0;
  EXPECT_TRUE(session.Begin(MONO_16, "", ""));
  EXPECT_TRUE(source.Running());
  EXPECT_EQ(reports.boxes.size(), 3u);
}

// The input opened at the start: the settings' one, else the one the command line names by id
// or by name. One that is not there gives the default input and one line; the wanted input
// stays for a Save unless the command line named a missing one.
TEST_F(CaptureSessionTest, TheStartTakesTheSettingsOrTheCommandLineInput) {
  struct Case {
    std::string settings, commandLine, selected, wanted;
    std::size_t lines;
  };
  for (const Case& c : {Case{"alsa_input.usb-codec", "", "select alsa_input.usb-codec", "alsa_input.usb-codec", 0},
                        Case{"alsa_input.usb-codec", "Monitor of Rig", "select cw2.monitor", "cw2.monitor", 0},
                        Case{"gone.monitor", "", "select default", "gone.monitor", 1},
                        Case{"alsa_input.usb-codec", "no such input", "select default", "", 1}}) {
    SCOPED_TRACE(c.settings + " / " + c.commandLine);
    FakeAudioSource otherSource;
    FakeReports otherReports;
    otherSource.listed = RIG_INPUTS;
    CaptureSession other(otherSource, desktop, otherReports);
    ASSERT_TRUE(other.Begin(MONO_16, c.settings, c.commandLine));
    EXPECT_EQ(otherSource.calls.front(), c.selected);
    EXPECT_EQ(other.WantedInput(), c.wanted);
    EXPECT_EQ(otherReports.lines.size(), c.lines);
    EXPECT_EQ(other.MenuInputs().inUse, c.selected == "select default" ? InputChoice::DEFAULT
                                        : c.selected == "select cw2.monitor" ? 1
                                                                              : 0);
  }
}

// A refused format is reported and the one before comes back without a second query; a format
// that cannot be opened ends with false.
TEST_F(CaptureSessionTest, ANewFormatFallsBackWhenRefused) {
  ASSERT_TRUE(session.Begin({2, 16}, "", ""));
  source.calls.clear();
  source.queryResult = 32;
  EXPECT_TRUE(session.ChangeFormat({1, 8}));
  EXPECT_EQ(reports.boxes, Calls{"MMedia error nr 32|Check audio devices"});
  EXPECT_EQ(source.calls, (Calls{"close", "select default", "query 1x8", "select default", "open 2x16", "start"}));
  EXPECT_EQ(session.Format(), (AudioFormat{2, 16}));

  source.queryResult = 0;
  EXPECT_TRUE(session.ChangeFormat({1, 8}));
  EXPECT_EQ(session.Format(), (AudioFormat{1, 8}));
  source.openResult = 4;
  EXPECT_FALSE(session.ChangeFormat({2, 8}));
  EXPECT_EQ(reports.boxes.back(), "MMedia error nr 4|Check audio devices");
}

// A pick opens the capture again on that input; one that is gone is reported and the one before
// comes back; a pick of the input in use does nothing.
TEST_F(CaptureSessionTest, PickingAnInputThatIsGoneTakesTheOneBefore) {
  source.listed = RIG_INPUTS;
  ASSERT_TRUE(session.Begin(MONO_16, "cw2.monitor", ""));
  source.calls.clear();
  session.ChooseInput("cw2.monitor");
  EXPECT_TRUE(source.calls.empty());

  source.listed.erase(source.listed.begin());  // unplugged while the menu showed it
  session.ChooseInput("alsa_input.usb-codec");
  EXPECT_EQ(reports.boxes, Calls{"MMedia error nr 5|Check audio devices"});
  EXPECT_EQ(source.calls, (Calls{"close", "select alsa_input.usb-codec", "query 1x16", "open 1x16",
                                 "select cw2.monitor", "query 1x16", "open 1x16", "start"}));
  EXPECT_EQ(session.WantedInput(), "cw2.monitor");
  EXPECT_TRUE(source.Running());

  session.ChooseInput("");
  EXPECT_EQ(source.calls.back(), "start");
  EXPECT_EQ(session.WantedInput(), "");
  EXPECT_EQ(session.MenuInputs().inUse, InputChoice::DEFAULT);
}

// No block for a second (999 ms is not one) says "No input" and re-opens at once, then every
// two seconds without a message; the next block clears the notice. Unwatched, nothing is
// re-opened.
TEST_F(CaptureSessionTest, AStoppedInputIsReopened) {
  ASSERT_TRUE(session.Begin(MONO_16, "", ""));
  desktop.Advance(1);
  ASSERT_TRUE(Deliver());
  source.calls.clear();
  desktop.Advance(999);  // the watchdog's tick at 1000 ms
  EXPECT_EQ(session.Notice(), InputNotice::None);
  ASSERT_TRUE(Deliver());
  desktop.Advance(1000);  // ticks at 1500 and 2000 ms
  EXPECT_EQ(session.Notice(), InputNotice::Stalled);
  EXPECT_EQ(source.calls, (Calls{"close", "select default", "query 1x16", "open 1x16", "start"}));
  desktop.Advance(1500);
  EXPECT_EQ(source.calls.size(), 5u);
  desktop.Advance(500);
  EXPECT_EQ(source.calls.size(), 10u);
  EXPECT_TRUE(reports.boxes.empty());
  EXPECT_TRUE(reports.lines.empty());

  EXPECT_GT(changes, 0);  // the watchdog's stall reached the owner
  session.TakeChanged();
  ASSERT_TRUE(Deliver());
  EXPECT_EQ(session.Notice(), InputNotice::None);
  EXPECT_TRUE(session.TakeChanged());

  watched = false;
  source.calls.clear();
  desktop.Advance(5000);
  EXPECT_TRUE(source.calls.empty());
}

// An input that goes away: while the back end lists nothing (its server is away) the wanted
// input is tried again; once it lists others, the default input is opened, said once.
TEST_F(CaptureSessionTest, AnInputThatGoesAwayFallsBackToTheDefault) {
  source.listed = RIG_INPUTS;
  ASSERT_TRUE(session.Begin(MONO_16, "cw2.monitor", ""));
  ASSERT_TRUE(Deliver());
  source.listed.clear();
  source.calls.clear();
  desktop.Advance(1500);
  EXPECT_EQ(source.calls, (Calls{"close", "select cw2.monitor", "query 1x16", "open 1x16"}));  // fails

  source.listed = {RIG_INPUTS.front()};
  desktop.Advance(2000);
  desktop.Advance(2000);
  EXPECT_EQ(reports.lines.size(), 1u);
  EXPECT_NE(reports.lines.front().find("cw2.monitor"), std::string::npos);
  EXPECT_TRUE(source.Running());
  EXPECT_EQ(session.MenuInputs().inUse, InputChoice::DEFAULT);
  EXPECT_EQ(session.WantedInput(), "cw2.monitor");
}

// More than twenty blocks in a second is a runaway input: "Input too fast" and one line. Twenty
// is not. A paced second clears it, unless the source says it is holding blocks back.
TEST_F(CaptureSessionTest, ARunawayInputIsNoticed) {
  ASSERT_TRUE(session.Begin(MONO_16, "", ""));
  DeliverFor(1000, 50);  // twenty in the first second
  EXPECT_EQ(session.Notice(), InputNotice::None);
  DeliverFor(900, 45);  // twenty in the next one so far
  EXPECT_EQ(session.Notice(), InputNotice::None);
  ASSERT_TRUE(Deliver());  // and the twenty-first
  EXPECT_EQ(session.Notice(), InputNotice::TooFast);
  DeliverFor(2000, 5);
  EXPECT_EQ(reports.lines.size(), 1u);
  EXPECT_EQ(blocks, 20 + 21 + 400);  // every block still reaches the owner

  source.heldBack = true;
  DeliverFor(2000, 100);
  EXPECT_EQ(session.Notice(), InputNotice::TooFast);
  source.heldBack = false;
  DeliverFor(2000, 100);
  EXPECT_EQ(session.Notice(), InputNotice::None);
  source.heldBack = true;
  DeliverFor(200, 100);
  EXPECT_EQ(session.Notice(), InputNotice::TooFast);
}

}  // namespace
}  // namespace keblor::test
