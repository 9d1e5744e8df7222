#include "app/program.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/command_ids.h"
#include "core/ini_file.h"
#include "core/marker_pointer.h"
#include "fakes/fake_audio_source.h"
#include "fakes/fake_rig.h"
#include "fakes/fake_views.h"
#include "fakes/memory_settings_file.h"

namespace keblor::test {
namespace {

class FakeRigDialog : public RigDialog {
 public:
  std::optional<RigSettings> choice;  // what OK gives; nothing: cancel
  std::optional<RigSettings> test;    // tested first when set
  std::optional<std::string> answer;  // the test's answer as the dialog saw it
  std::optional<RigSettings> Run(const RigSettings&, const std::function<void(const RigSettings&)>& startTest,
                                 const std::function<std::optional<std::string>()>& answerOf) override {
    if (test) {
      startTest(*test);
      answer = answerOf();
    }
    return choice;
  }
};

class ProgramRigTest : public ::testing::Test {
 protected:
  ProgramRigTest() {
    auto line = std::make_unique<InlineRigLine>(rig);
    line_ = line.get();
    program->SetRigSupport(std::move(line), &dialog);
  }
  void Start(int channels, const std::string& rigSection = "[Rig]\nModel=2\nPort=localhost:4532\n") {
    file.content = "[General]\nChannels=" + std::to_string(channels) + "\n" + rigSection;
    ASSERT_TRUE(program->StartUp());
    desktop.Advance(RigSession::FIRST_LOOK_MS);
  }
  // One 16-bit block with a tone on the left channel and, in stereo, another on the right.
  void DeliverTones(double leftHz, double rightHz = 0.0) {
    const int channels = source.format.channels;
    std::vector<std::uint8_t> block(static_cast<std::size_t>(BlockBytes(source.format)));
    for (int i = 0; i < AUDIO_BLOCK_FRAMES; ++i) {
      for (int c = 0; c < channels; ++c) {
        const double hz = c == 0 ? leftHz : rightHz;
        const auto v = static_cast<std::uint16_t>(
            static_cast<std::int16_t>(std::lround(9000.0 * std::sin(2.0 * std::numbers::pi * hz * i / AUDIO_RATE))));
        const auto at = static_cast<std::size_t>(2 * (i * channels + c));
        block[at] = static_cast<std::uint8_t>(v & 0xFF);
        block[at + 1] = static_cast<std::uint8_t>(v >> 8);
      }
    }
    ASSERT_TRUE(source.Deliver(block));
    desktop.Advance(100);
  }
  void Look() { desktop.Advance(RigSession::FIRST_LOOK_MS); }

  FakeRig rig;
  FakeRigDialog dialog;
  InlineRigLine* line_ = nullptr;
  FakeMainView view;
  FakeDesktop desktop;
  FakeReports reports;
  FakeAudioSource source;
  MemorySettingsFile file;
  std::unique_ptr<Program> program = std::make_unique<Program>(view, desktop, reports, source, &file);
};

// T brings the tone VFO-A's window names onto its marker, with the readout off; the tone is used
// up, so a second T before the next picture does nothing. The window shows the dial the rig
// reports. Frozen, T does nothing; Ctrl+T has no VFO-B window in mono.
TEST_F(ProgramRigTest, TTunesTheToneOntoTheMarker) {
  Start(1);
  EXPECT_EQ(line_->connects, (std::vector<RigAddress>{RigAddress{2, "localhost:4532", 0}}));
  DeliverTones(712.0);
  FakeSpectrumView& a = *view.Spectrum(Vfo::A);
  EXPECT_EQ(a.picture.readout, "");
  EXPECT_STREQ(a.picture.rig.data(), "7.030 000 MHz CW");

  program->OnKey(AcceleratorKey::T, false);
  EXPECT_EQ(rig.dials[0].hz, 7'030'212);
  Look();
  EXPECT_STREQ(a.picture.rig.data(), "7.030 212 MHz CW");
  program->OnKey(AcceleratorKey::T, false);
  Look();
  EXPECT_EQ(rig.dials[0].hz, 7'030'212);
  DeliverTones(712.0);  // the fake rig's audio does not follow its dial
  program->OnKey(AcceleratorKey::T, false);
  EXPECT_EQ(rig.dials[0].hz, 7'030'424);
  Look();

  // The readout held a second of the tone at its old place; once the rig has moved, it reads
  // only what came after, and a tone now on the marker moves nothing.
  for (int i = 0; i < 5; ++i) DeliverTones(712.0);
  program->OnKey(AcceleratorKey::T, false);
  EXPECT_EQ(rig.dials[0].hz, 7'030'636);
  DeliverTones(500.0);
  program->OnKey(AcceleratorKey::T, false);
  EXPECT_EQ(rig.dials[0].hz, 7'030'636);

  DeliverTones(712.0);
  program->OnKey(AcceleratorKey::F12, false);
  program->OnKey(AcceleratorKey::T, false);
  program->OnKey(AcceleratorKey::T, true);
  Look();
  EXPECT_EQ(rig.dials[0].hz, 7'030'636);
  EXPECT_EQ(rig.Count("set B 14025000"), 0);
  EXPECT_TRUE(reports.lines.empty());
}

// Ctrl+T tunes VFO B by VFO-B's tone and marker; VFO A stays. A move the rig refuses keeps the
// tone, so the next Ctrl+T tries again.
TEST_F(ProgramRigTest, CtrlTTunesVfoBInStereo) {
  Start(2);
  EXPECT_STREQ(view.Spectrum(Vfo::B)->picture.rig.data(), "14.025 000 MHz CW");
  DeliverTones(712.0, 480.0);
  program->OnKey(AcceleratorKey::T, true);
  EXPECT_EQ(rig.dials[1].hz, 14'025'000 - 20);
  EXPECT_EQ(rig.dials[0].hz, 7'030'000);
  Look();

  DeliverTones(712.0, 480.0);
  rig.hasB = false;
  program->OnKey(AcceleratorKey::T, true);
  Look();
  const int tries = rig.Count("read B");
  program->OnKey(AcceleratorKey::T, true);
  EXPECT_EQ(rig.Count("read B"), tries + 1);
}

// A middle click (or Shift + left click) puts the frequency under the pointer on the marker:
// at 1000 Hz over 200 columns, column 140 is 700 Hz, 200 Hz above the marker at 500 Hz. A click
// off the trace area does nothing, and the left button alone still drags the marker.
TEST_F(ProgramRigTest, AClickTunesTheFrequencyUnderThePointer) {
  Start(1);
  program->OnTuneClick(Vfo::A, 140, 150);
  EXPECT_EQ(rig.Count("set A 7030200"), 0);
  program->OnTuneClick(Vfo::A, 140, 60);
  EXPECT_EQ(rig.dials[0].hz, 7'030'200);
  EXPECT_EQ(program->CurrentSettings().VFO_A.PitchFreq, 500);
}

// Without a rig the keys and clicks do nothing. A build
// that reaches rigs without a dialog for them (keblor.exe) greys Settings > Rig....
TEST_F(ProgramRigTest, NoRigConfigured) {
  Start(1, "");
  DeliverTones(712.0);
  program->OnKey(AcceleratorKey::T, false);
  program->OnTuneClick(Vfo::A, 140, 60);
  EXPECT_TRUE(rig.calls.empty());  // what the session makes, says and shows is its own test
  EXPECT_TRUE(view.menu.IsEnabled(cmd::RigSettings));

  FakeMainView otherView;
  Program bare(otherView, desktop, reports, source, nullptr);
  bare.SetRigSupport(std::make_unique<InlineRigLine>(rig), nullptr);
  ASSERT_TRUE(bare.StartUp());
  EXPECT_FALSE(otherView.menu.IsEnabled(cmd::RigSettings));
}

// The dialog's Test tries the settings shown and Cancel leaves the rig in use as it was; OK
// takes the new one, and a Save writes it. The command line's rig is the one a Save keeps.
TEST_F(ProgramRigTest, TheRigDialogAndTheCommandLine) {
  SettingsChoices choices;
  choices.rigModel = 2;
  choices.rigPort = "localhost:4600";
  program->SetCommandLine(choices);
  Start(1);
  EXPECT_EQ(line_->connects.back(), (RigAddress{2, "localhost:4600", 0}));

  dialog.test = RigSettings{1, "", 0, 0};
  program->OnCommand(cmd::RigSettings);
  EXPECT_EQ(line_->probes, (std::vector<RigAddress>{{1, "", 0}}));
  EXPECT_EQ(line_->connects.size(), 1u);

  dialog.test.reset();
  dialog.choice = RigSettings{2, "rigs.local:4532", 0, 2};
  program->OnCommand(cmd::RigSettings);
  EXPECT_EQ(line_->connects.back(), (RigAddress{2, "rigs.local:4532", 0}));
  program->OnCommand(cmd::Save);
  EXPECT_NE(file.content.find("Model=2\nPort=rigs.local:4532\nSideband=2"), std::string::npos) << file.content;
}

// A feed of the test's: what it was opened with, and its handlers to send lines through.
struct FakeSpotFeed : SpotFeed {
  std::vector<std::string>* opened;
  FeedHandlers* handlers;
  FakeSpotFeed(std::vector<std::string>* o, FeedHandlers* h) : opened(o), handlers(h) {}
  void Open(const std::string& host, int port, const std::string& call, FeedHandlers h) override {
    opened->push_back(host + ":" + std::to_string(port) + " " + call);
    *handlers = std::move(h);
  }
  void Close() override { opened->push_back("closed"); }
};

// The feed the settings name is opened; each second its CW spots inside a window's span at the
// dial are drawn at their pitch's column (upper sideband in CW, lower in CWR), the newest first.
TEST_F(ProgramRigTest, SpotsAreDrawnWhereTheDialPutsThem) {
  std::vector<std::string> opened;
  FeedHandlers feed;
  program->SetSpotSupport([&] { return std::make_unique<FakeSpotFeed>(&opened, &feed); }, nullptr);
  Start(1, "[Rig]\nModel=2\nPort=localhost:4532\n[Spots]\nHost=rbn.example\nCall=N0CALL\n");
  EXPECT_EQ(opened, (std::vector<std::string>{"rbn.example:7000 N0CALL"}));
  feed.onLine("DX de KM3T-#:    7030.4  DL1ABC  CW 23 dB 25 WPM CQ 1234Z");
  feed.onLine("DX de W3LPL:     7030.7  K1ABC   ssb? no, rtty 1234Z");  // another mode
  feed.onLine("DX de W1AW:      7031.5  G4XYZ   1235Z");                // past the 1000 Hz span
  desktop.Advance(SpotsSession::PLACE_MS);
  feed.onLine("DX de W1AW:      7030.9  OK1RR   1236Z");
  desktop.Advance(SpotsSession::PLACE_MS);
  DeliverTones(700.0);
  const SpectrumPicture& picture = view.Spectrum(Vfo::A)->picture;
  ASSERT_EQ(picture.spotCount, 2);
  EXPECT_EQ(std::string(picture.spots[0].call.data()), "OK1RR");
  EXPECT_EQ(picture.spots[0].column, 180);
  EXPECT_EQ(picture.spots[1].column, 80);
  EXPECT_EQ(picture.spots[1].age, 0);

  rig.dials[0] = {7'031'000, "CWR"};
  desktop.Advance(RigSession::POLL_MS + SpotsSession::PLACE_MS);
  DeliverTones(700.0);
  ASSERT_EQ(view.Spectrum(Vfo::A)->picture.spotCount, 2);  // G4XYZ is now above the dial
  EXPECT_EQ(view.Spectrum(Vfo::A)->picture.spots[0].column, 20);
  EXPECT_EQ(view.Spectrum(Vfo::A)->picture.spots[1].column, 120);
}

}  // namespace
}  // namespace keblor::test
