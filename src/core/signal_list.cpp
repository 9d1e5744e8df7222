#include "core/signal_list.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "core/display_state.h"

namespace keblor {

namespace {

constexpr std::size_t CALL_CHARS = 16;

long Rounded(double v, double step) { return std::lround(v / step); }

// A row reads the same when the numbers a view shows of it are the same.
bool NumbersAlike(const SignalRow& row, double hz, double offsetHz, double wpm, double snrDb) {
  return Rounded(row.hz, 0.1) == Rounded(hz, 0.1) && Rounded(row.offsetHz, 1) == Rounded(offsetHz, 1) &&
         Rounded(row.wpm, 1) == Rounded(wpm, 1) && Rounded(row.snrDb, 1) == Rounded(snrDb, 1);
}

// The end of a text, from the start of a word, at most ROW_WORDS_CHARS long.
std::string_view LastWords(std::string_view text) {
  if (text.size() <= ROW_WORDS_CHARS) return text;
  std::string_view tail = text.substr(text.size() - ROW_WORDS_CHARS);
  const std::size_t space = tail.find(' ');
  return space == std::string_view::npos ? tail : tail.substr(space + 1);
}

const char* VfoName(Vfo vfo) { return vfo == Vfo::A ? "VFO-A" : "VFO-B"; }

// The spot of `call` that a row hearing it at `hz` joins: within SPOT_REACH_HZ of its pitch.
const PlacedSpot* SpotJoining(std::span<const PlacedSpot> spots, std::string_view call, double hz) {
  if (call.empty()) return nullptr;
  const auto found = std::find_if(spots.begin(), spots.end(), [&](const PlacedSpot& spot) {
    return spot.call == call && std::abs(hz - spot.pitchHz) <= SPOT_REACH_HZ;
  });
  return found == spots.end() ? nullptr : &*found;
}

}  // namespace

std::string SignalCell(const SignalRow& row, int column) {
  char text[32];
  switch (column) {
    case 0: return row.vfo == Vfo::A ? "A" : "B";
    case 1: std::snprintf(text, sizeof text, "%+ld Hz", std::lround(row.offsetHz)); return text;
    case 2: std::snprintf(text, sizeof text, "%.1f", row.hz); return text;
    case 3: return row.wpm > 0.0 ? std::to_string(std::lround(row.wpm)) : std::string();
    case 4: return row.heard ? std::to_string(std::lround(row.snrDb)) + " dB" : std::string();
    case 5: return row.call;
    case 6: return row.words;
    case 7:
      if (row.spotters <= 0) return {};
      return std::to_string(row.spotters) + (row.spotters == 1 ? " spotter, " : " spotters, ") +
             std::to_string(row.spotMinutes) + " min";
    default: return {};
  }
}

SignalList::SignalList() {
  for (SignalRow& row : rows_) {
    row.call.reserve(CALL_CHARS);
    row.words.reserve(ROW_WORDS_CHARS);
    row.text.reserve(DECODED_TEXT_CHARS);
  }
  for (std::string& label : labels_) label.reserve(CALL_CHARS + 8);
}

bool SignalList::Update(const std::array<const Skimmer*, 2>& skimmers, const Settings& settings,
                        const std::array<std::span<const PlacedSpot>, 2>& spots) {
  bool changed = false;
  std::array<bool, MAX_SIGNAL_ROWS> seen{};
  const bool decoded = settings.Skimmer.Decode != 0;
  for (Vfo vfo : BOTH_VFOS) {
    const Skimmer* skimmer = skimmers[SlotOf(vfo)];
    const int marker = VfoSettingsOf(settings, vfo).PitchFreq;
    for (int i = 0; skimmer != nullptr && i < skimmer->Count(); ++i) {
      const HeardSignal heard = skimmer->Signal(i);
      SignalRow* row = RowFor(vfo, heard.id, heard.hz - marker, seen, changed);
      if (row == nullptr) continue;
      const bool quiet = skimmer->Seconds() - heard.lastSeconds > SIGNAL_QUIET_SECONDS;
      const std::string_view call = decoded ? heard.call : std::string_view();
      const std::string_view words = decoded ? LastWords(heard.text) : std::string_view();
      const PlacedSpot* spot = SpotJoining(spots[SlotOf(vfo)], call, heard.hz);
      const int spotters = spot != nullptr ? spot->spotters : 0;
      const int spotMinutes = spot != nullptr ? spot->ageMinutes : -1;
      if (!NumbersAlike(*row, heard.hz, heard.hz - marker, heard.wpm, heard.snrDb) || row->quiet != quiet ||
          row->call != call || row->words != words || row->spotters != spotters || row->spotMinutes != spotMinutes)
        changed = true;
      if (!call.empty() && row->call != call) ++callsHeard_;
      row->hz = heard.hz;
      row->offsetHz = heard.hz - marker;
      row->wpm = heard.wpm;
      row->snrDb = heard.snrDb;
      row->quiet = quiet;
      row->call.assign(call);
      row->words.assign(words);
      row->text.assign(decoded ? heard.text : std::string_view());
      row->spotters = spotters;
      row->spotMinutes = spotMinutes;
    }
    for (const PlacedSpot& spot : spots[SlotOf(vfo)]) changed = Add(spot, marker, seen) || changed;
  }
  const int counted = count_;
  RemoveUnseen(seen);
  changed = changed || count_ != counted;
  LayOutLines(settings);
  return changed;
}

SignalRow* SignalList::RowFor(Vfo vfo, int id, double offsetHz, std::array<bool, MAX_SIGNAL_ROWS>& seen, bool& changed) {
  const auto* found =
      std::find_if(rows_.begin(), rows_.begin() + count_, [&](const SignalRow& r) { return r.vfo == vfo && r.id == id; });
  int at = static_cast<int>(found - rows_.begin());
  if (at == count_) {
    at = Insert(vfo, id, offsetHz);
    if (at < 0) return nullptr;
    // The rows after it moved one down with their marks.
    std::copy_backward(seen.begin() + at, seen.begin() + count_ - 1, seen.begin() + count_);
    changed = true;
  }
  seen[static_cast<std::size_t>(at)] = true;
  return &rows_[static_cast<std::size_t>(at)];
}

// A spot that joined the row hearing its call (see SpotJoining) is shown there; any other has a
// row of its own, by its call.
bool SignalList::Add(const PlacedSpot& spot, int marker, std::array<bool, MAX_SIGNAL_ROWS>& seen) {
  for (int i = 0; i < count_; ++i) {
    const SignalRow& row = rows_[static_cast<std::size_t>(i)];
    if (row.vfo == spot.vfo && row.id >= 0 && SpotJoining(std::span(&spot, 1), row.call, row.hz) != nullptr) return false;
  }
  bool changed = false;
  // Ids of the skimmer's signals are positive: a spotted call's row takes a negative one of its own.
  const int id = -1 - static_cast<int>(std::hash<std::string>{}(spot.call) & 0x3FFFFFFF);
  SignalRow* row = RowFor(spot.vfo, id, spot.pitchHz - marker, seen, changed);
  if (row == nullptr) return changed;
  if (!NumbersAlike(*row, spot.pitchHz, spot.pitchHz - marker, spot.wpm.value_or(0), 0.0) ||
      row->spotters != spot.spotters || row->spotMinutes != spot.ageMinutes)
    changed = true;
  row->hz = spot.pitchHz;
  row->offsetHz = spot.pitchHz - marker;
  row->wpm = spot.wpm.value_or(0);
  row->snrDb = 0.0;
  row->quiet = false;
  row->heard = false;
  row->call.assign(spot.call);
  row->words.clear();
  row->text.clear();
  row->spotters = spot.spotters;
  row->spotMinutes = spot.ageMinutes;
  return changed;
}

int SignalList::Insert(Vfo vfo, int id, double offsetHz) {
  if (count_ == MAX_SIGNAL_ROWS) return -1;
  const auto begin = rows_.begin();
  const auto at = std::find_if(begin, begin + count_, [&](const SignalRow& r) { return r.offsetHz > offsetHz; });
  // The spare row at the end comes to the place by swaps: its strings keep their storage.
  std::rotate(at, begin + count_, begin + count_ + 1);
  at->vfo = vfo;
  at->id = id;
  at->hz = at->offsetHz = at->wpm = at->snrDb = 0.0;
  at->quiet = false;
  at->heard = id >= 0;
  at->spotters = 0;
  at->spotMinutes = -1;
  at->call.clear();
  at->words.clear();
  at->text.clear();
  ++count_;
  return static_cast<int>(at - begin);
}

void SignalList::RemoveUnseen(const std::array<bool, MAX_SIGNAL_ROWS>& seen) {
  int kept = 0;
  for (int i = 0; i < count_; ++i) {
    if (!seen[static_cast<std::size_t>(i)]) continue;
    if (i != kept) std::swap(rows_[static_cast<std::size_t>(kept)], rows_[static_cast<std::size_t>(i)]);
    ++kept;
  }
  count_ = kept;
  if (selected_ && Selected() < 0) selected_.reset();
}

void SignalList::LayOutLines(const Settings& settings) {
  for (Vfo vfo : BOTH_VFOS) {
    const std::size_t slot = SlotOf(vfo);
    lineRows_[slot] = -1;
    labels_[slot].clear();
    if (settings.Skimmer.Decode == 0) continue;
    double nearest = DECODE_LINE_REACH_HZ + 0.5;
    for (int i = 0; i < count_; ++i) {
      const SignalRow& row = Row(i);
      if (row.vfo == vfo && row.heard && std::abs(row.offsetHz) < nearest) {
        nearest = std::abs(row.offsetHz);
        lineRows_[slot] = i;
      }
    }
    if (lineRows_[slot] < 0) continue;
    const SignalRow& row = Row(lineRows_[slot]);
    labels_[slot] = row.call;
    if (row.wpm > 0.0) {
      if (!labels_[slot].empty()) labels_[slot] += ' ';
      labels_[slot] += std::to_string(std::lround(row.wpm));
    }
  }
}

DecodeLine SignalList::LineOf(Vfo vfo) const {
  const int row = lineRows_[SlotOf(vfo)];
  if (row < 0) return {};
  return {labels_[SlotOf(vfo)], Row(row).text};
}

int SignalList::Selected() const {
  if (!selected_) return -1;
  for (int i = 0; i < count_; ++i)
    if (Row(i).vfo == selected_->first && Row(i).id == selected_->second) return i;
  return -1;
}

void SignalList::Select(int row) {
  if (row < 0 || row >= count_) {
    selected_.reset();
    return;
  }
  selected_ = {Row(row).vfo, Row(row).id};
}

bool SignalList::Step(int direction) {
  if (count_ == 0) return false;
  const int from = Selected();
  const int to = from < 0 ? (direction > 0 ? 0 : count_ - 1) : (from + direction + count_) % count_;
  Select(to);
  return true;
}

std::string SignalList::Spoken(int i) const {
  if (i < 0 || i >= count_) return {};
  const SignalRow& row = Row(i);
  const long offset = std::lround(row.offsetHz);
  std::string text = VfoName(row.vfo);
  text += offset == 0 ? std::string(" on the pitch")
                      : (offset > 0 ? " plus " : " minus ") + std::to_string(std::labs(offset)) + " hertz";
  if (!row.call.empty()) text += ", " + row.call;
  if (row.wpm > 0.0) text += ", " + std::to_string(std::lround(row.wpm)) + " words per minute";
  if (row.heard) text += ", " + std::to_string(std::lround(row.snrDb)) + " dB";
  if (row.quiet) text += ", quiet";
  if (row.spotters > 0)
    text += ", spotted by " + std::to_string(row.spotters) + ", " + std::to_string(row.spotMinutes) + " minutes ago";
  if (!row.heard) text += ", not heard";
  return text;
}

}  // namespace keblor
