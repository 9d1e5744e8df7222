// keblor-analyse from the outside: WAV files written here, the program run through a shell,
// its JSON lines and exit status checked.

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "display/trace_raster.h"
#include "display/trace_rendering.h"

namespace {

constexpr int RATE = 10240;
constexpr int BLOCK = 1024;
constexpr double TWO_PI = 6.283185307179586;

// ---- a scratch directory per test -----------------------------------------------------

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = ::testing::TempDir() + "keblor_analyse_XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = buffer.data();
  }
  ~ScratchDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// ---- writing recordings -----------------------------------------------------------------

// Writes the bytes as the data of a WAV file, exactly as given.
void WriteWavBytes(const std::string& path, int format, int rate, int channels, const std::vector<std::uint8_t>& bytes) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  ASSERT_EQ(sf_write_raw(file, bytes.data(), static_cast<sf_count_t>(bytes.size())),
            static_cast<sf_count_t>(bytes.size()));
  sf_close(file);
}

// Interleaved 16-bit samples as little-endian bytes.
std::vector<std::uint8_t> Bytes16(const std::vector<std::int16_t>& samples) {
  std::vector<std::uint8_t> bytes;
  for (const std::int16_t s : samples) {
    const auto u = static_cast<std::uint16_t>(s);
    bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return bytes;
}

std::vector<std::int16_t> Tone(double hz, double amplitude, int frames) {
  std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i)
    out[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::lround(amplitude * std::sin(TWO_PI * hz * i / RATE)));
  return out;
}

std::vector<std::int16_t> Interleave(const std::vector<std::int16_t>& left, const std::vector<std::int16_t>& right) {
  std::vector<std::int16_t> out;
  for (std::size_t i = 0; i < left.size(); ++i) {
    out.push_back(left[i]);
    out.push_back(right[i]);
  }
  return out;
}

void WriteMono16(const std::string& path, const std::vector<std::int16_t>& samples) {
  WriteWavBytes(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, RATE, 1, Bytes16(samples));
}

void WriteStereo16(const std::string& path, const std::vector<std::int16_t>& left, const std::vector<std::int16_t>& right) {
  WriteWavBytes(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, RATE, 2, Bytes16(Interleave(left, right)));
}

// A file in any format libsndfile writes, filled with silence.
void WriteSilence(const std::string& path, int format, int rate, int channels, int frames) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  std::vector<short> zeros(static_cast<std::size_t>(frames * channels), 0);
  sf_writef_short(file, zeros.data(), frames);
  sf_close(file);
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
  const std::string command = "cd " + Quote(dir.Path()) + " && " + Quote(KEBLOR_ANALYSE_PATH) + " " + args +
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

// ---- the spectrum ------------------------------------------------------------------------

struct ToneCase {
  int range;
  double hz;
  int column;  // where the row mapping puts the tone's bin for that range
};

void PrintTo(const ToneCase& tc, std::ostream* os) { *os << "range " << tc.range << ", " << tc.hz << " Hz"; }

class ToneColumn : public ::testing::TestWithParam<ToneCase> {};

TEST_P(ToneColumn, StrongestWhereTheRangePutsTheBin) {
  const ToneCase& tc = GetParam();
  ScratchDir dir;
  WriteMono16(dir.File("tone.wav"), Tone(tc.hz, 16384.0, 2 * BLOCK));
  WriteText(dir.File("keblor.ini"), "[VFO-A]\nRange=" + std::to_string(tc.range) + "\n");
  const RunResult r = RunAnalyse(dir, "tone.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 2u);
  for (const std::string& line : lines) {
    const std::vector<int> row = RowOf(ObjectOf(line, "vfoA"));
    ASSERT_EQ(row.size(), 201u);
    EXPECT_EQ(row[0], 127);
    EXPECT_EQ(StrongestColumn(row), tc.column);
    // A 16384 sine on a bin, mono: the full-scale reference, the top of the trace.
    EXPECT_EQ(row[static_cast<std::size_t>(tc.column)], 0);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryRange, ToneColumn,
                         ::testing::Values(ToneCase{0, 300.0, 120},   // bin 30, every 4th column
                                           ToneCase{1, 1000.0, 200},  // bin 100 on the right edge
                                           ToneCase{2, 1000.0, 100},  // one bin per column
                                           ToneCase{3, 1000.0, 67},   // bins 100 and 99 in column 67
                                           ToneCase{4, 1000.0, 50}),  // bins 100 and 99 in column 50
                         [](const ::testing::TestParamInfo<ToneCase>& param) {
                           return "Range" + std::to_string(param.param.range);
                         });

TEST(AnalyseTool, StereoKeepsEachChannelInItsOwnWindow) {
  ScratchDir dir;
  WriteStereo16(dir.File("two.wav"), Tone(1000.0, 16384.0, BLOCK), Tone(700.0, 16384.0, BLOCK));
  WriteText(dir.File("keblor.ini"), "[VFO-A]\nRange=2\n[VFO-B]\nRange=2\n");
  const RunResult r = RunAnalyse(dir, "two.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 1u);
  const std::vector<int> a = RowOf(ObjectOf(lines[0], "vfoA"));
  const std::vector<int> b = RowOf(ObjectOf(lines[0], "vfoB"));
  ASSERT_EQ(a.size(), 201u);
  ASSERT_EQ(b.size(), 201u);
  EXPECT_EQ(StrongestColumn(a), 100);
  EXPECT_EQ(StrongestColumn(b), 70);
  // No leak of one channel into the other.
  EXPECT_EQ(a[70], 127);
  EXPECT_EQ(b[100], 127);
  // One channel of a stereo stream stands 6 dB below the same sine in mono: about 15 steps.
  EXPECT_GE(a[100], 14);
  EXPECT_LE(a[100], 16);
}

TEST(AnalyseTool, MonoHasNoSecondWindowEvenWhenTheSettingsSayStereo) {
  ScratchDir dir;
  WriteMono16(dir.File("mono.wav"), Tone(1000.0, 8000.0, BLOCK));
  WriteText(dir.File("keblor.ini"), "[General]\nChannels=2\nBitsPerSample=8\nLevel=1\n");
  const RunResult r = RunAnalyse(dir, "mono.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_FALSE(HasKey(lines[0], "vfoB"));
  // Read as 16-bit, as the recording says, not as the settings' 8-bit.
  EXPECT_EQ(ValueOf(ObjectOf(lines[0], "vfoA"), "peak"), "8000.0");
}

// ---- cycles ------------------------------------------------------------------------------

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
    EXPECT_EQ(lines[i].back(), '}');
  }
}

TEST(AnalyseTool, FewerBlocksThanOneCyclePrintNothing) {
  ScratchDir dir;
  WriteMono16(dir.File("short.wav"), Tone(500.0, 1000.0, 4 * BLOCK));
  WriteText(dir.File("keblor.ini"), "[General]\nNumberOfAverages=5\n");
  const RunResult r = RunAnalyse(dir, "short.wav");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}

TEST(AnalyseTool, AveragingShowsTheMeanOfTheCycle) {
  // Two blocks of a full-strength tone then two silent ones: the mean over four blocks is
  // 6 dB below one loud block, about 15 steps down from the top.
  ScratchDir dir;
  std::vector<std::int16_t> samples = Tone(1000.0, 16384.0, 2 * BLOCK);
  samples.resize(4 * BLOCK, 0);
  WriteMono16(dir.File("half.wav"), samples);
  WriteText(dir.File("keblor.ini"), "[General]\nNumberOfAverages=4\n[VFO-A]\nRange=2\n");
  const RunResult r = RunAnalyse(dir, "half.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 1u);
  const std::vector<int> row = RowOf(ObjectOf(lines[0], "vfoA"));
  ASSERT_EQ(row.size(), 201u);
  EXPECT_EQ(StrongestColumn(row), 100);
  EXPECT_GE(row[100], 14);
  EXPECT_LE(row[100], 16);
}

// ---- peak and level readout ------------------------------------------------------------

TEST(AnalyseTool, LevelOnGivesThePeakAndTheReadoutText) {
  ScratchDir dir;
  std::vector<std::int16_t> left(BLOCK, 0);
  std::vector<std::int16_t> right(BLOCK, 0);
  left[10] = 16384;
  right[20] = -32768;
  WriteStereo16(dir.File("peaks.wav"), left, right);
  WriteText(dir.File("keblor.ini"), "[General]\nLevel=1\n");
  const RunResult r = RunAnalyse(dir, "peaks.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 1u);
  const std::string a = ObjectOf(lines[0], "vfoA");
  const std::string b = ObjectOf(lines[0], "vfoB");
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

TEST(AnalyseTool, LevelOffHasNoReadoutAndAZeroPeak) {
  ScratchDir dir;
  WriteMono16(dir.File("tone.wav"), Tone(1000.0, 16384.0, BLOCK));
  const RunResult r = RunAnalyse(dir, "tone.wav");  // no keblor.ini: Level is off
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 1u);
  const std::string a = ObjectOf(lines[0], "vfoA");
  EXPECT_EQ(ValueOf(a, "peak"), "0.0");
  EXPECT_FALSE(HasKey(a, "level"));
  EXPECT_FALSE(HasKey(a, "raster"));
}

TEST(AnalyseTool, EightBitBytesKeepTheirCentreAndFullScale) {
  ScratchDir dir;
  // Block 1: all 128, the smallest peak (0.5). Block 2: one byte of 0. Block 3: one of 255.
  std::vector<std::uint8_t> bytes(3 * BLOCK, 128);
  bytes[BLOCK + 5] = 0;
  bytes[2 * BLOCK + 7] = 255;
  WriteWavBytes(dir.File("bytes.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_U8, RATE, 1, bytes);
  WriteText(dir.File("keblor.ini"), "[General]\nLevel=1\n");
  const RunResult r = RunAnalyse(dir, "bytes.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(ValueOf(ObjectOf(lines[0], "vfoA"), "peak"), "0.5");
  EXPECT_EQ(ValueOf(ObjectOf(lines[0], "vfoA"), "level"), "Level: -48.1dB");
  EXPECT_EQ(ValueOf(ObjectOf(lines[1], "vfoA"), "peak"), "127.5");
  EXPECT_EQ(ValueOf(ObjectOf(lines[1], "vfoA"), "level"), "Level: 0.0dB");
  EXPECT_EQ(ValueOf(ObjectOf(lines[2], "vfoA"), "peak"), "127.5");
}

TEST(AnalyseTool, BigEndianWavSamplesReachTheAnalysisUnchanged) {
  // A RIFX file stores its samples big-endian; the analysis still gets the same values.
  ScratchDir dir;
  SF_INFO info{};
  info.samplerate = RATE;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16 | SF_ENDIAN_BIG;
  const std::string path = dir.File("rifx.wav");
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  std::vector<short> frames(2 * BLOCK, 0);
  frames[100] = 1;         // left: the smallest 16-bit peak
  frames[201] = -32768;    // right: the largest
  ASSERT_EQ(sf_writef_short(file, frames.data(), BLOCK), BLOCK);
  sf_close(file);
  WriteText(dir.File("keblor.ini"), "[General]\nLevel=1\n");
  const RunResult r = RunAnalyse(dir, "rifx.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(ValueOf(ObjectOf(lines[0], "vfoA"), "peak"), "1.0");
  EXPECT_EQ(ValueOf(ObjectOf(lines[0], "vfoA"), "level"), "Level: -90.3dB");
  EXPECT_EQ(ValueOf(ObjectOf(lines[0], "vfoB"), "peak"), "32768.0");
}

TEST(AnalyseTool, EightBitStereoToneLandsInItsColumn) {
  ScratchDir dir;
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < BLOCK; ++i) {
    bytes.push_back(static_cast<std::uint8_t>(std::lround(127.5 + 127.0 * std::sin(TWO_PI * 1000.0 * i / RATE))));
    bytes.push_back(128);
  }
  WriteWavBytes(dir.File("eight.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_U8, RATE, 2, bytes);
  WriteText(dir.File("keblor.ini"), "[VFO-A]\nRange=2\n");
  const RunResult r = RunAnalyse(dir, "eight.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 1u);
  const std::vector<int> a = RowOf(ObjectOf(lines[0], "vfoA"));
  ASSERT_EQ(a.size(), 201u);
  EXPECT_EQ(StrongestColumn(a), 100);
  EXPECT_LE(a[100], 1);  // about full scale on the 8-bit reference
}

// ---- the raster --------------------------------------------------------------------------

TEST(AnalyseTool, RasterIsTheRenderedTraceWithTheMarker) {
  ScratchDir dir;
  WriteStereo16(dir.File("two.wav"), Tone(1000.0, 16384.0, BLOCK), Tone(700.0, 16384.0, BLOCK));
  WriteText(dir.File("keblor.ini"),
            "[VFO-A]\nRange=2\nPitchFreq=500\nPitch=1\n[VFO-B]\nRange=4\nPitchFreq=3000\nPitch=0\n");
  const RunResult r = RunAnalyse(dir, "--raster two.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 1u);

  const std::string a = ObjectOf(lines[0], "vfoA");
  keblor::TraceRaster rasterA{};
  ASSERT_EQ(ValueOf(a, "raster").size(), 6656u);
  ASSERT_TRUE(DecodeRaster(ValueOf(a, "raster"), rasterA));
  // The marker: 500 Hz at 10 Hz a column, rows 0..126.
  for (int row = 0; row < 127; ++row) EXPECT_TRUE(keblor::RasterPixel(rasterA, 50, row)) << "row " << row;
  // Far from tone and marker only the floor is lit.
  for (int row = 0; row < 127; ++row) EXPECT_FALSE(keblor::RasterPixel(rasterA, 20, row)) << "row " << row;
  EXPECT_TRUE(keblor::RasterPixel(rasterA, 20, 127));
  // The tone's column starts its run at the tone's level, with nothing above it.
  const std::vector<int> rowA = RowOf(a);
  ASSERT_EQ(rowA.size(), 201u);
  ASSERT_GT(rowA[100], 0);
  EXPECT_TRUE(keblor::RasterPixel(rasterA, 100, rowA[100]));
  EXPECT_FALSE(keblor::RasterPixel(rasterA, 100, rowA[100] - 1));

  // Byte for byte the raster the window would show for that row.
  keblor::DisplayRow displayRow{};
  for (std::size_t i = 0; i < displayRow.size(); ++i) displayRow[i] = static_cast<std::uint8_t>(rowA[i]);
  keblor::TraceRaster expected{};
  keblor::RenderTraceRaster(expected, displayRow, true, 500, 2);
  EXPECT_EQ(rasterA, expected);

  // VFO-B with its marker off: the column of 3000 Hz holds only trace pixels.
  const std::string b = ObjectOf(lines[0], "vfoB");
  keblor::TraceRaster rasterB{};
  ASSERT_TRUE(DecodeRaster(ValueOf(b, "raster"), rasterB));
  int lit = 0;
  for (int row = 0; row < 128; ++row) lit += keblor::RasterPixel(rasterB, 150, row) ? 1 : 0;
  EXPECT_LT(lit, 10);
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

TEST(AnalyseTool, OutOfRangeSettingsAreClampedAsTheProgramDoes) {
  ScratchDir dir;
  WriteMono16(dir.File("tone.wav"), Tone(1000.0, 16384.0, 3 * BLOCK));
  WriteText(dir.File("keblor.ini"), "[General]\nNumberOfAverages=0\n[VFO-A]\nRange=9\n");
  const RunResult r = RunAnalyse(dir, "tone.wav");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u);  // one block a cycle
  EXPECT_EQ(StrongestColumn(RowOf(ObjectOf(lines[0], "vfoA"))), 50);  // Range 4
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
    WriteSilence(dir_.File("rate.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 4 * BLOCK);
    WriteSilence(dir_.File("deep.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_24, RATE, 1, 4 * BLOCK);
    WriteSilence(dir_.File("float.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, RATE, 1, 4 * BLOCK);
    WriteSilence(dir_.File("three.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, RATE, 3, 4 * BLOCK);
    WriteSilence(dir_.File("aiff.wav"), SF_FORMAT_AIFF | SF_FORMAT_PCM_16, RATE, 1, 4 * BLOCK);
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
                      BadCase{"FloatSamples", "float.wav", "float.wav"},
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
