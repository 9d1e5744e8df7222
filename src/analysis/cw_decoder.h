#pragma once
// One CW signal's decoder: mixes a channel down at the signal's pitch, filters, takes the
// envelope and turns key-down/key-up timing into text. FindCallsign (callsign.h) comes with it.

#include <array>
#include <complex>
#include <cstdint>
#include <string_view>

#include "analysis/callsign.h"
#include "analysis/edge_blanker.h"
#include "analysis/key_grid.h"
#include "analysis/key_trellis.h"
#include "analysis/neighbour_canceller.h"

namespace keblor {

inline constexpr int DECODED_TEXT_CHARS = 200;  // the last characters kept
inline constexpr int CW_SAMPLE_RATE = 10240;    // samples per second handed to Push

// Fixed-size state (about 190 KB); nothing is allocated, and Start only clears. Speeds 5 to 60
// WPM. The text holds characters, prosigns such as "<AR>", '*' for a pattern that is no
// character, and one space between words; nothing is written while the signal does not stand
// clearly out of the noise. Text appears once the speed is known (about eight marks), from the
// start of the last 51 s. The views returned stay valid until the next Push or Start.
class CwDecoder {
 public:
  void Start(double pitchHz);                  // forget everything, decode a tone at pitchHz
  void Retune(double pitchHz);                 // follow drift without losing state
  void Push(const float* samples, int count);  // count <= 1024 mono samples at CW_SAMPLE_RATE
  // `count` samples of the channel that this decoder does not hear: its carrier and drift move
  // on through them, so that a drifting tone is met where it went.
  void Skip(int count);
  // The pitches of the signals on the channel (this one's own may be among them). The nearest
  // MAX_NULLS that lie 25 Hz or more from this one each get a null in the baseband, so that a
  // stronger station beside this one is not heard through its filters; those much stronger are
  // taken out before it (NeighbourCanceller), and the bursts their keys' edges leave behind the
  // nulls are blanked. Kept across Retune and Skip; Start forgets them.
  void SetNeighbours(const double* pitchesHz, int count);
  std::string_view Text() const;               // decoded text so far, last DECODED_TEXT_CHARS
  double Wpm() const;                          // 0 until known
  // The tone's pitch as the carrier loop follows it, finer than a spectrum's centre, which a
  // neighbour's sidebands pull; 0 until the speed is known, and while the marks keep no one phase.
  double CarrierHz() const;
  double WordGapSeconds() const;               // the shortest word gap learned; 0 until the speed is known
  bool Paused() const { return paused_; }      // a gap of three word gaps or more, no clear mark since
  int Elements() const;                        // marks decoded so far (dots and dashes)
  std::string_view Callsign() const;           // the call heard ("" for none), see FindCallsign

 private:
  static constexpr int HOP = 32;          // input samples per envelope sample
  static constexpr int RING = 16384;      // baseband samples kept (51.2 s)
  static constexpr int HISTORY = 16;      // marks, speeds and long gaps remembered
  static constexpr int ACQUIRE_RUNS = 32; // runs held until the speed is first known
  static constexpr int CALL_CHARS = 16;
  static constexpr int SEARCH_FILTERS = 3;

  // A ring of the latest values of one kind of run, for the timing estimates.
  struct History {
    std::array<float, HISTORY> value{};
    int count = 0;
    int next = 0;
    void Add(double v);
    void Clear() { count = next = 0; }
    double MiddleMean() const;  // of the middle half, which noise that splits or joins elements does not reach; count > 0
  };
  // The envelope's level in the marks and in the gaps: running means of the samples above and
  // below the middle between them.
  struct Levels {
    double signal = 0.0, noise = 0.0;
    double signalWeight = 0.0, noiseWeight = 0.0;
    double slowSignal = 0.0, slowNoise = 0.0;  // the same over a few seconds, for the squelch
    void Add(double e);
    double Middle() const { return 0.5 * (signal + noise); }
  };
  static Levels LevelsOf(const float* v, int n);
  // A matched filter of a given length over the baseband ring, with its levels.
  struct Filter {
    int length = 0;
    double scale = 0.0;  // 1 / length
    std::complex<double> sum{};
    Levels levels;
  };

  // The key as decided from a filter's envelope: up or down, changes shorter than `shortest`
  // dropped as noise, edges placed between envelope samples.
  struct Key {
    bool raw = false;      // above the threshold (with hysteresis)
    bool down = false;     // as decided
    bool pending = false;  // raw differs from down since pendingStart
    double pendingStart = 0.0;
    double since = 0.0;  // time of the last change of down
    double lastEnv = 0.0;
    // One envelope sample at time t; true when a run (a mark or a gap) ended, with its length.
    bool Next(double e, double t, const Levels& levels, double shortest, bool& mark, double& length);
  };
  // The carrier's phase at the filter's output, which turns as far as the pitch is off.
  static constexpr int TURN_LAG = 16;
  struct Carrier {
    std::complex<double> phase{1.0, 0.0};  // of length 1
    double frequency = 0.0;  // radians per envelope sample
    std::complex<double> turn{};
    std::array<std::complex<double>, TURN_LAG> history{};
    int next = 0;
    bool relocked = false;  // the last sample projected took a phase of its own
    void Turn(std::complex<double> sum);
    void Follow();
    double Project(std::complex<double> sum, double level, bool relock);
  };
  // A search filter, its key and its runs (+ marks, - gaps) held until the speed is known.
  struct Search {
    Filter filter;
    Key key;
    std::array<float, ACQUIRE_RUNS> runs{};
    int count = 0;
  };

  void SetTables(double pitchHz);
  void NoteRetune(double hzMoved);
  void Remix();
  void SetNulls();
  std::complex<float> Null(std::complex<float> mixed);
  void FollowNeighbours(std::complex<double> mixed);
  void Hop(std::complex<float> window);
  double Step(Filter& f);
  // One envelope sample of the matched filter, `e` its key's, `along` the newest baseband sample
  // along the carrier; its runs teach the timing, make text, or both.
  void Decide(double e, double along, double t, bool learn, bool decode);
  void Run(bool down, double e, bool learn, bool decode);
  void Run(Key& key, double& time, double& peak, bool down, double e, bool learn, bool decode);
  void RunGrid(bool down, double e);  // a sample of the grid's key: text only
  void EndRun(bool mark, double length, bool learn, bool decode, double& peak);
  void InGap(double gap, bool decode);
  bool Alone() const;
  int SetTrellisLengths();
  double Evidence(double along) const;
  double Along(std::complex<double> z, int length);
  void Cohere(double projected, double magnitude);
  bool Hold(Search& s, bool mark, double length);
  bool Acquire(Search& s);
  void Replay(bool checkUnit = true);
  void Redo();
  void Learn(bool mark, double length);
  void Assemble(bool mark, double length);
  void SetUnit(double unit);
  void RestartTiming(double unit);
  void EmitChar();
  void Emit(std::string_view s);
  double CharSplit() const { return 2.0 * unit_; }
  double FilterTime(int length) const { return static_cast<double>(envCount_) - 0.5 * length; }

  // Mixing and decimation: each envelope sample sums 2 HOP samples under a triangular window;
  // the phase within a window comes from tables, the window's from a recursive oscillator.
  std::array<float, HOP> headRe_{}, headIm_{}, tailRe_{}, tailIm_{};
  std::complex<float> head_{}, tail_{}, open_{};  // sums of the hop in progress; the window opened last hop
  std::complex<double> osc_{1.0, 0.0}, oscStep_{1.0, 0.0};
  int hopPos_ = 0;
  double pitchHz_ = 0.0;

  // The neighbours' nulls: an FIR on the baseband with a zero at each one's offset, scaled to
  // pass this signal's own carrier unchanged.
  static constexpr int MAX_NULLS = 4;
  static constexpr int NULL_TAPS = MAX_NULLS + 1;
  std::array<double, MAX_NULLS> neighbourHz_{};
  int neighbours_ = 0;
  std::array<std::complex<float>, NULL_TAPS> nullTaps_{std::complex<float>(1.0f)};
  int nullTapCount_ = 1;
  std::array<std::complex<float>, NULL_TAPS> nullInputs_{};  // the FIR's last inputs, newest first
  // Each nulled neighbour's carrier: its turn per envelope sample, the baseband summed along it
  // (real and imaginary parts), its squared mark level (a peak that decays), and the most that
  // its key's edges can put into one baseband sample per unit of its amplitude; edgeBound_ sums
  // these over them, each times its amplitude, and bounds what the blanker takes.
  std::array<float, MAX_NULLS> turnRe_{}, turnIm_{}, sumRe_{}, sumIm_{};
  int followHops_ = 0;
  std::array<float, MAX_NULLS> neighbourLevel_{}, neighbourEdge_{};
  float edgeBound_ = 0.0f;
  NeighbourCanceller canceller_;  // takes their keyed carriers out before the nulls
  int primed_ = 0;                // samples it has taken, up to its delay
  EdgeBlanker blanker_;  // takes their key edges' bursts out of the baseband

  // The baseband at the envelope rate, and the matched filter: a moving sum over most of a dot.
  // Until the speed is known, three lengths search for the signal and the ring is kept so that
  // it can be decoded from its start once the speed is known.
  std::array<std::complex<float>, RING> ring_{};
  std::int64_t envCount_ = 0;
  Filter filter_;
  std::array<Search, SEARCH_FILTERS> search_{};
  Key key_;               // the key as decided: down and since
  double keyTime_ = 0.0;  // the time of the next sample that the trellis decides
  bool weak_ = false;         // the baseband's marks stood less than WEAK_SIGNAL times its noise when the speed was found
  bool keyerTrial_ = false;   // weak only while the grid finds its key a keyer's (see KEYER_SIGNAL)
  bool handKeyed_ = false;    // the grid found it a hand's
  bool trellisUsed_ = false;  // samples went into the trellis since it was reset
  // The baseband's mean square across the carrier: the noise's, in one sample, and its weight so far.
  double noiseSquares_ = 0.0, noiseWeight_ = 0.0;
  Carrier carrier_;
  Levels coherent_;  // of the filter's output projected on the carrier
  // How far the marks lie along the carrier (1: all of them): low when the transmitter starts
  // each mark at a phase of its own, and then the key follows the magnitude instead.
  double coherence_ = 1.0;
  bool coherentKey_ = true;
  // Drift: the pitch's steady movement, learned from the retunes, which the carrier follows
  // between them (radians per envelope sample, per envelope sample).
  double drift_ = 0.0;
  double driftFromHz_ = 0.0;
  std::int64_t driftFrom_ = 0;  // the envelope sample at which the pitch was driftFromHz_
  // The carrier's turn from the last retune, kept until the first sample mixed at the new pitch.
  double pendingTurn_ = 0.0;
  std::int64_t retuneFrom_ = -1;
  bool squelchOpen_ = false;  // the signal stands clearly out of the noise
  // After a pause (a gap of several word gaps), marks are taken for the signal again only from
  // one that rises near the marks' usual peak: noise crossing the threshold seldom does.
  bool paused_ = false;
  double runPeak_ = 0.0;   // the envelope's highest since the last run ended
  double markPeak_ = 0.0;  // the marks' peaks, a running mean

  // Timing, in envelope samples.
  double unit_ = 0.0;  // 0 until known
  double dotMark_ = 0.0, dashMark_ = 0.0;
  double wordDots_ = 5.0;  // the shortest word gap, in dots
  double lastMark_ = 0.0;
  int speedDoubts_ = 0;  // marks in a row whose dots do not fit the dot time
  bool restarted_ = false;        // the speed started again from new dots
  std::int64_t acquiredAt_ = 0;   // the envelope sample at which the speed was first found
  double decodedUnit_ = 0.0;      // the unit the baseband kept was last decoded at (see Replay)
  History marks_, units_, longGaps_;
  History dotUnits_;  // the unit from dots and their gaps alone

  // The character being received and the text.
  unsigned code_ = 1;
  int codeLength_ = 0;
  bool charOpen_ = false, wordOpen_ = false, spoilt_ = false;
  bool partial_ = false;  // the character may have begun before the baseband kept
  int elements_ = 0;
  std::array<char, 2 * DECODED_TEXT_CHARS> text_{};
  std::int64_t textTotal_ = 0;
  std::array<char, CALL_CHARS> call_{};
  int callLength_ = 0;

  KeyTrellis trellis_;  // decides a weak signal's key (last: large, and seldom used)
  KeyGrid grid_;        // or, once its timing grid is found, cell by cell (the trellis then only teaches the timing)
  Key gridKey_;
  double gridKeyTime_ = 0.0, gridPeak_ = 0.0;
  double gridSoughtAt_ = 0.0;  // the unit learned when the grid was last sought
  // The retunes since the oldest baseband kept, while it may be decoded again: the envelope
  // sample each came before, and how far it turned the baseband per sample.
  static constexpr int MAX_RETUNES = 512;
  std::array<std::int64_t, MAX_RETUNES> retuneAt_{};
  std::array<double, MAX_RETUNES> retuneTurn_{};
  int retunes_ = 0;
};

}  // namespace keblor
