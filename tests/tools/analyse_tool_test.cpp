// keblor-analyse from the outside: WAV files written here, the program run through a shell,
// its JSON lines and exit status checked.

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/cw_band.h"
#include "display/trace_raster.h"
#include "display/trace_rendering.h"
#include "signal_log.h"
#include "temp_folder.h"

namespace {

constexpr int RATE = 10240;
constexpr int BLOCK = 1024;
constexpr double TWO_PI = 6.283185307179586;

// A scratch folder per test: the working directory the program runs in.
class ScratchDir : public keblor::TempFolder {
 public:
  ScratchDir() : TempFolder("keblor_analyse") {}
  std::string File(const std::string& name) const { return (Path() / name).string(); }
};

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// ---- writing recordings -----------------------------------------------------------------

// A WAV file (or any container libsndfile writes) of these interleaved samples, converted by
// libsndfile to the file's sample format.
void WriteWav(const std::string& path, int format, int rate, int channels, const std::vector<short>& samples) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  const auto frames = static_cast<sf_count_t>(samples.size()) / channels;
  ASSERT_EQ(sf_writef_short(file, samples.data(), frames), frames);
  sf_close(file);
}

std::vector<short> Tone(double hz, double amplitude, int frames) {
  std::vector<short> out(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i)
    out[static_cast<std::size_t>(i)] = static_cast<short>(std::lround(amplitude * std::sin(TWO_PI * hz * i / RATE)));
  return out;
}

std::vector<short> Interleave(const std::vector<short>& left, const std::vector<short>& right) {
  std::vector<short> out;
  for (std::size_t i = 0; i < left.size(); ++i) {
    out.push_back(left[i]);
    out.push_back(right[i]);
  }
  return out;
}

void WriteMono16(const std::string& path, const std::vector<short>& samples) {
  WriteWav(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, RATE, 1, samples);
}

void WriteStereo16(const std::string& path, const std::vector<short>& left, const std::vector<short>& right) {
  WriteWav(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, RATE, 2, Interleave(left, right));
}

// ---- running the program ----------------------------------------------------------------

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& s) { return "'" + s + "'"; }

RunResult RunAnalyse(const ScratchDir& dir, const std::string& args) {
  const std::string errPath = dir.File("stderr.txt");
  // Run inside the scratch directory so that ./keblor.ini is the test's own.
  const std::string command = "cd " + Quote(dir.Path().string()) + " && " KEBLOR_TEST_EMULATOR " " + Quote(KEBLOR_ANALYSE_PATH) + " " + args +
                              " 2>" + Quote(errPath);
  RunResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "popen failed";
    return result;
  }
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream err(errPath, std::ios::binary);
  std::stringstream text;
  text << err.rdbuf();
  result.err = text.str();
  return result;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// ---- reading the JSON lines -------------------------------------------------------------

// The object that follows "key": in a line, braces balanced ("" when absent).
std::string ObjectOf(const std::string& line, const std::string& key) {
  const std::size_t at = line.find("\"" + key + "\":{");
  if (at == std::string::npos) return "";
  const std::size_t open = line.find('{', at);
  int depth = 0;
  for (std::size_t i = open; i < line.size(); ++i) {
    if (line[i] == '{') ++depth;
    if (line[i] == '}' && --depth == 0) return line.substr(open, i - open + 1);
  }
  return "";
}

bool HasKey(const std::string& object, const std::string& key) {
  return object.find("\"" + key + "\":") != std::string::npos;
}

// The raw text of a scalar value.
std::string ValueOf(const std::string& object, const std::string& key) {
  const std::string marker = "\"" + key + "\":";
  const std::size_t at = object.find(marker);
  if (at == std::string::npos) return "";
  const std::size_t start = at + marker.size();
  if (object[start] == '"') return object.substr(start + 1, object.find('"', start + 1) - start - 1);
  const std::size_t end = object.find_first_of(",}", start);
  return object.substr(start, end - start);
}

std::vector<int> RowOf(const std::string& object) {
  std::vector<int> row;
  const std::size_t at = object.find("\"row\":[");
  if (at == std::string::npos) return row;
  const std::size_t end = object.find(']', at);
  std::stringstream list(object.substr(at + 7, end - at - 7));
  std::string item;
  while (std::getline(list, item, ',')) row.push_back(std::stoi(item));
  return row;
}

// The column (1..200) with the strongest level, that is the smallest row value; -1 when two
// columns share it.
int StrongestColumn(const std::vector<int>& row) {
  int best = 1;
  for (int c = 2; c <= 200; ++c)
    if (row[static_cast<std::size_t>(c)] < row[static_cast<std::size_t>(best)]) best = c;
  for (int c = 1; c <= 200; ++c)
    if (c != best && row[static_cast<std::size_t>(c)] == row[static_cast<std::size_t>(best)]) return -1;
  return best;
}

bool DecodeRaster(const std::string& hex, keblor::TraceRaster& raster) {
  if (hex.size() != 2 * raster.size()) return false;
  for (std::size_t i = 0; i < raster.size(); ++i) {
    const std::string pair = hex.substr(2 * i, 2);
    if (pair.find_first_not_of("0123456789abcdef") != std::string::npos) return false;
    raster[i] = static_cast<std::uint8_t>(std::stoi(pair, nullptr, 16));
  }
  return true;
}

// ---- cycles ------------------------------------------------------------------------------

// One line per cycle, counting frames and blocks; a partial block is not read, and fewer blocks
// than one cycle print nothing.
TEST(AnalyseTool, OneLinePerCycleCountingBlocksAndIgnoringAPartialBlock) {
  ScratchDir dir;
  WriteMono16(dir.File("long.wav"), Tone(500.0, 1000.0, 10 * BLOCK + 700));
  WriteText(dir.File("keblor.ini"), "[General]\nNumberOfAverages=3\n");
  const RunResult r = RunAnalyse(dir, "long.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].rfind("{\"frame\":" + std::to_string(i + 1) + ",\"blocks\":" + std::to_string(3 * (i + 1)) +
                                 ",\"vfoA\":{\"row\":[",
                             0),
              0u)
        << lines[i].substr(0, 60);
    EXPECT_EQ(RowOf(ObjectOf(lines[i], "vfoA")).size(), 201u);
    EXPECT_EQ(lines[i].back(), '}');
  }

  WriteText(dir.File("keblor.ini"), "[General]\nNumberOfAverages=11\n");
  const RunResult none = RunAnalyse(dir, "long.wav");
  EXPECT_EQ(none.status, 0) << none.err;
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err, "");
}

// ---- peak, level readout and pitch ---------------------------------------------------

// Left is VFO-A and right VFO-B; with Level on each carries its peak and the readout's text,
// with it off (no keblor.ini) neither text nor raster, and a zero peak.
TEST(AnalyseTool, LevelOnGivesThePeakAndTheReadoutText) {
  ScratchDir dir;
  std::vector<short> left(BLOCK, 0);
  std::vector<short> right(BLOCK, 0);
  left[10] = 16384;
  right[20] = -32768;
  WriteStereo16(dir.File("peaks.wav"), left, right);
  const RunResult off = RunAnalyse(dir, "peaks.wav");
  ASSERT_EQ(off.status, 0) << off.err;
  EXPECT_EQ(ValueOf(ObjectOf(off.out, "vfoA"), "peak"), "0.0");
  EXPECT_FALSE(HasKey(ObjectOf(off.out, "vfoA"), "level"));
  EXPECT_FALSE(HasKey(ObjectOf(off.out, "vfoA"), "raster"));

  WriteText(dir.File("keblor.ini"), "[General]\nLevel=1\n");
  const RunResult r = RunAnalyse(dir, "peaks.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(Lines(r.out).size(), 1u);
  const std::string a = ObjectOf(r.out, "vfoA");
  const std::string b = ObjectOf(r.out, "vfoB");
  EXPECT_EQ(ValueOf(a, "peak"), "16384.0");
  EXPECT_EQ(ValueOf(a, "level"), "Level: -6.0dB");
  EXPECT_EQ(ValueOf(b, "peak"), "32768.0");
  EXPECT_EQ(ValueOf(b, "level"), "Level: 0.0dB");
}

// With the pitch readout on each line carries the estimate; with the running average a line
// follows every block. A file that never turned them on prints exactly as before.
TEST(AnalyseTool, PitchReadoutAndRunningAverage) {
  ScratchDir dir;
  WriteMono16(dir.File("tone.wav"), Tone(1234.5, 16384.0, 4 * BLOCK));
  WriteText(dir.File("keblor.ini"), "[General]\nNumberOfAverages=3\nPitchReadout=1\nRunningAverage=1\n[VFO-A]\nRange=4\n");
  const RunResult r = RunAnalyse(dir, "tone.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_NEAR(std::stod(ValueOf(ObjectOf(lines[3], "vfoA"), "pitch")), 1234.5, 0.2);
  WriteText(dir.File("keblor.ini"), "[General]\nNumberOfAverages=3\n");
  const RunResult plain = RunAnalyse(dir, "tone.wav");
  ASSERT_EQ(Lines(plain.out).size(), 1u);
  EXPECT_FALSE(HasKey(ObjectOf(Lines(plain.out)[0], "vfoA"), "pitch"));
}

// The recording's own format decides: 8-bit bytes reach the analysis as bytes (128 the centre,
// 0 full scale), and big-endian (RIFX) samples as the same values; a mono file has no VFO-B
// even when the settings say stereo 8-bit.
TEST(AnalyseTool, SamplesReachTheAnalysisInTheRecordingsFormat) {
  ScratchDir dir;
  WriteText(dir.File("keblor.ini"), "[General]\nChannels=2\nBitsPerSample=8\nLevel=1\n");
  struct Case {
    const char* what;
    int format;
    int channels;
    std::vector<short> samples;  // left, right: one of them holds a peak at frame 10
    std::string peakA, peakB;
  };
  std::vector<short> eight(2 * BLOCK, 0);
  eight[20] = -32768;  // the byte 0
  std::vector<short> rifx(2 * BLOCK, 0);
  rifx[20] = 1;
  rifx[21] = -32768;
  const Case cases[] = {
      {"8-bit stereo", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 2, eight, "127.5", "0.5"},
      {"16-bit big-endian stereo", SF_FORMAT_WAV | SF_FORMAT_PCM_16 | SF_ENDIAN_BIG, 2, rifx, "1.0", "32768.0"},
      {"16-bit mono", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, Tone(1000.0, 8000.0, BLOCK), "8000.0", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteWav(dir.File("in.wav"), c.format, RATE, c.channels, c.samples);
    const RunResult r = RunAnalyse(dir, "in.wav");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(Lines(r.out).size(), 1u);
    EXPECT_EQ(ValueOf(ObjectOf(r.out, "vfoA"), "peak"), c.peakA);
    EXPECT_EQ(HasKey(r.out, "vfoB"), c.channels == 2);
    EXPECT_EQ(ValueOf(ObjectOf(r.out, "vfoB"), "peak"), c.peakB);
  }
}

// ---- the raster --------------------------------------------------------------------------

// Byte for byte the raster each window would show for its row, with or without its marker.
TEST(AnalyseTool, RasterIsTheRenderedTraceWithTheMarker) {
  ScratchDir dir;
  WriteStereo16(dir.File("two.wav"), Tone(1000.0, 16384.0, BLOCK), Tone(700.0, 16384.0, BLOCK));
  WriteText(dir.File("keblor.ini"),
            "[VFO-A]\nRange=2\nPitchFreq=500\nPitch=1\n[VFO-B]\nRange=4\nPitchFreq=3000\nPitch=0\n");
  const RunResult r = RunAnalyse(dir, "--raster two.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(Lines(r.out).size(), 1u);
  for (const auto& [vfo, marker, pitch, range] : {std::tuple{"vfoA", true, 500, 2}, std::tuple{"vfoB", false, 3000, 4}}) {
    SCOPED_TRACE(vfo);
    const std::string object = ObjectOf(r.out, vfo);
    const std::vector<int> row = RowOf(object);
    ASSERT_EQ(row.size(), 201u);
    keblor::DisplayRow displayRow{};
    for (std::size_t i = 0; i < displayRow.size(); ++i) displayRow[i] = static_cast<std::uint8_t>(row[i]);
    keblor::TraceRaster expected{};
    keblor::RenderTraceRaster(expected, displayRow, marker, pitch, range);
    keblor::TraceRaster raster{};
    ASSERT_TRUE(DecodeRaster(ValueOf(object, "raster"), raster));
    EXPECT_EQ(raster, expected);
  }
}

// ---- settings ----------------------------------------------------------------------------

TEST(AnalyseTool, SettingsOptionReplacesTheWorkingDirectoryFile) {
  ScratchDir dir;
  WriteMono16(dir.File("tone.wav"), Tone(1000.0, 16384.0, BLOCK));
  WriteText(dir.File("keblor.ini"), "[VFO-A]\nRange=2\n");
  WriteText(dir.File("wide.ini"), "[VFO-A]\nRange=4\n");

  const RunResult own = RunAnalyse(dir, "tone.wav");
  ASSERT_EQ(own.status, 0) << own.err;
  EXPECT_EQ(StrongestColumn(RowOf(ObjectOf(own.out, "vfoA"))), 100);

  const RunResult wide = RunAnalyse(dir, "--settings wide.ini tone.wav");
  ASSERT_EQ(wide.status, 0) << wide.err;
  EXPECT_EQ(StrongestColumn(RowOf(ObjectOf(wide.out, "vfoA"))), 50);

  // A settings file that does not exist means the defaults: Range 1, 5 Hz a column.
  const RunResult none = RunAnalyse(dir, "--settings missing.ini tone.wav");
  ASSERT_EQ(none.status, 0) << none.err;
  EXPECT_EQ(StrongestColumn(RowOf(ObjectOf(none.out, "vfoA"))), 200);
}

// ---- decoding ----------------------------------------------------------------------------

// A number or quoted string of the signals line, whose keys are followed by a space.
std::string SignalField(const std::string& object, const std::string& key) {
  const std::string marker = "\"" + key + "\": ";
  const std::size_t start = object.find(marker) + marker.size();
  if (object[start] == '"') return object.substr(start + 1, object.find('"', start + 1) - start - 1);
  return object.substr(start, object.find_first_of(",}", start) - start);
}

// `stations`, their texts keyed over and over, at 3000 each in noise of 300, `seconds` long.
std::vector<short> KeyedRecording(const std::vector<keblor::CwStation>& stations, double seconds, int rate) {
  std::vector<keblor::KeyedText> keys;
  for (const keblor::CwStation& s : stations) keys.push_back(keblor::CwBand::KeyingOf(s));
  std::vector<short> samples(static_cast<std::size_t>(seconds * rate));
  unsigned noise = 1;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    noise = noise * 1103515245u + 12345u;
    double x = ((noise >> 16) % 601) - 300.0;
    for (std::size_t k = 0; k < stations.size(); ++k) x += 3000.0 * keblor::CwBand::Envelope(keys[k], t) * std::sin(TWO_PI * stations[k].hz * t);
    samples[i] = static_cast<short>(std::lround(x));
  }
  return samples;
}

// Two stations in a 48 kHz recording, long enough for one's text to outgrow the live list's 200
// characters: both listed soon at their pitches, the whole text kept, and no picture line
// changed by decoding.
TEST(AnalyseTool, DecodeListsEverySignalOfAResampledRecordingWithItsWholeText) {
  ScratchDir dir;
  constexpr int FILE_RATE = 48000;
  constexpr double SECONDS = 75.0;
  const keblor::CwStation slow{600.0, 0.0, 20.0, "CQ CQ DE DL1ABC K"};
  const keblor::CwStation fast{900.0, 0.0, 35.0, "CQ TEST DE G4XYZ G4XYZ K"};
  const auto fastKey = keblor::CwBand::KeyingOf(fast);
  WriteWav(dir.File("two.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, FILE_RATE, 1, KeyedRecording({slow, fast}, SECONDS, FILE_RATE));

  const RunResult plain = RunAnalyse(dir, "two.wav");
  const RunResult r = RunAnalyse(dir, "--decode two.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.out.substr(0, plain.out.size()), plain.out);
  const std::vector<std::string> lines = Lines(r.out.substr(plain.out.size()));
  ASSERT_EQ(lines.size(), 1u);
  const std::string& json = lines[0];
  ASSERT_EQ(json.rfind("{\"signals\": [{", 0), 0u) << json;
  // One object per signal, in the order they were listed.
  std::vector<std::string> signals;
  for (std::size_t at = json.find("{\"channel\""); at != std::string::npos; at = json.find("{\"channel\"", at + 1))
    signals.push_back(json.substr(at, json.find('}', at) - at + 1));
  ASSERT_EQ(signals.size(), 2u) << json;
  std::sort(signals.begin(), signals.end(), [](const std::string& a, const std::string& b) {
    return std::stod(SignalField(a, "hz")) < std::stod(SignalField(b, "hz"));
  });
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(SignalField(signals[i], "channel"), "A");
    EXPECT_NEAR(std::stod(SignalField(signals[i], "hz")), i == 0 ? 600.0 : 900.0, 2.0) << signals[i];
    EXPECT_LE(std::stod(SignalField(signals[i], "first_s")), 3.0) << signals[i];
  }
  EXPECT_NE(SignalField(signals[0], "id"), SignalField(signals[1], "id"));
  // The fast station sent this many characters; its text holds more than the live 200 and never
  // more than was sent (text kept twice as it scrolled).
  const std::string text = SignalField(signals[1], "text");
  const double passes = SECONDS / fastKey.end;
  EXPECT_GT(text.size(), 200u);
  EXPECT_LE(static_cast<double>(text.size()), passes * static_cast<double>(fast.text.size() + 1) + 2.0);
  EXPECT_NE(text.find("G4XYZ"), std::string::npos) << text;
}

// A recording that stops 50 ms after a station's last element: the decoders, which hold a
// character back until the gap after it, still write it, and the signal keeps the level it had.
TEST(AnalyseTool, DecodeWritesTheLastCharacterARecordingEndsOn) {
  ScratchDir dir;
  const keblor::CwStation station{700.0, 0.0, 20.0, "CQ DE DL1ABC K"};
  const auto key = keblor::CwBand::KeyingOf(station);
  const double seconds = key.end + key.marks.back().second + 0.05;  // the text twice
  WriteMono16(dir.File("end.wav"), KeyedRecording({station}, seconds, RATE));
  const RunResult r = RunAnalyse(dir, "--decode end.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string json = Lines(r.out).back();
  std::string text = SignalField(json.substr(json.find("{\"channel\"")), "text");
  text.erase(text.find_last_not_of(' ') + 1);
  EXPECT_EQ(text.substr(text.size() - 8), "DL1ABC K") << json;
  EXPECT_LT(std::stod(SignalField(json, "snr_db")), 60.0) << json;  // the silence after it is no measure
}

// A decoder's last characters, as they grow or scroll on, add to the text; when it reads its
// end again from some point on, or all it heard afresh, the new text takes the place of the old.
TEST(AnalyseTool, DecodedTextAddsWhatScrollsOnAndAFreshReadingReplaces) {
  const auto pieced = [](std::string whole, std::string_view seen, std::string_view now) {
    whole.resize(keblor::tool::TextStart(whole, seen, now));
    return whole + std::string(now);
  };
  EXPECT_EQ(pieced("CQ CQ", "CQ CQ", "CQ CQ DE"), "CQ CQ DE");
  std::string head;
  for (int i = 0; head.size() < 300; ++i) head += std::to_string(i) + " ";
  const std::size_t N = keblor::DECODED_TEXT_CHARS;
  const std::string seen = head.substr(head.size() - N);
  EXPECT_EQ(pieced(head, seen, seen.substr(3) + "TTT"), head + "TTT");
  EXPECT_EQ(pieced(head, seen, std::string(N, 'T')), head + std::string(N, 'T'));  // all scrolled away
  for (const std::string end : {"AB", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"}) {  // read again from 280, shorter and longer
    const std::string reread = head.substr(0, 280) + end;
    EXPECT_EQ(pieced(head, seen, reread.substr(reread.size() - N)), reread);
  }
  EXPECT_EQ(pieced("EE T", "EE T", "T E"), "T E");  // a short text never loses its front
}

// ---- bad input ---------------------------------------------------------------------------

struct BadCase {
  const char* name;
  const char* args;
  const char* named;  // what the message must name
};

void PrintTo(const BadCase& bc, std::ostream* os) { *os << bc.args; }

class BadInput : public ::testing::TestWithParam<BadCase> {
 protected:
  void SetUp() override {
    WriteText(dir_.File("text.wav"), "this is not a recording\n");
    const std::vector<short> silence(12 * BLOCK, 0);
    WriteWav(dir_.File("rate.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 7999, 1, silence);
    WriteWav(dir_.File("deep.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_24, RATE, 1, silence);
    WriteWav(dir_.File("three.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, RATE, 3, silence);
    WriteWav(dir_.File("aiff.wav"), SF_FORMAT_AIFF | SF_FORMAT_PCM_16, RATE, 1, silence);
    WriteMono16(dir_.File("good.wav"), Tone(1000.0, 1000.0, 2 * BLOCK));
    WriteMono16(dir_.File("tiny.wav"), Tone(1000.0, 1000.0, BLOCK - 1));
    // A recording whose header was corrupted into an MPEG frame sync: the sound file library
    // would try it as MPEG audio and talk about it.
    WriteMono16(dir_.File("mpeg.wav"), Tone(1000.0, 1000.0, 2 * BLOCK));
    std::fstream mpeg(dir_.File("mpeg.wav"), std::ios::binary | std::ios::in | std::ios::out);
    mpeg.write("\xFF\xFB\x90\x44", 4);
  }
  ScratchDir dir_;
};

TEST_P(BadInput, OneLineOnStandardErrorAndNothingElse) {
  const BadCase& bc = GetParam();
  const RunResult r = RunAnalyse(dir_, bc.args);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  ASSERT_FALSE(r.err.empty());
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_EQ(r.err.back(), '\n');
  EXPECT_NE(r.err.find(bc.named), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, BadInput,
    ::testing::Values(BadCase{"Missing", "absent.wav", "absent.wav"}, BadCase{"NotAWav", "text.wav", "text.wav"},
                      BadCase{"OtherContainer", "aiff.wav", "aiff.wav"},
                      BadCase{"WrongRate", "rate.wav", "rate.wav"}, BadCase{"TwentyFourBits", "deep.wav", "deep.wav"},
                      BadCase{"ThreeChannels", "three.wav", "three.wav"},
                      BadCase{"LooksLikeMpeg", "mpeg.wav", "not a WAV file"},
                      BadCase{"ShorterThanABlock", "tiny.wav", "shorter than one block"},
                      BadCase{"Directory", ".", "."},
                      BadCase{"UnknownOption", "--fast good.wav", "--fast"},
                      BadCase{"SettingsWithoutFile", "good.wav --settings", "--settings"},
                      BadCase{"NoFile", "--raster", "no WAV file"},
                      BadCase{"TwoFiles", "good.wav good.wav", "good.wav"}),
    [](const ::testing::TestParamInfo<BadCase>& param) { return std::string(param.param.name); });

}  // namespace
