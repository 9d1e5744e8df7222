// Times the stereo block of an older analysis (RunOld, the readout off) against this one (RunNew,
// the readout off and on) in short turns taken in rotation, so that a busy machine slows all
// three alike, and prints the medians of the turns' ratios.

#include <algorithm>
#include <cstdio>
#include <vector>

double RunOld(int averages, bool readout, int blocks);
double RunNew(int averages, bool readout, int blocks);

int main() {
  constexpr int TURNS = 400;
  constexpr int BLOCKS = 200;
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  for (int averages : {1, 10}) {
    std::vector<double> oldNs, onNs, offRatio, onRatio;
    for (int turn = 0; turn < TURNS; ++turn) {
      double old = 0.0, off = 0.0, on = 0.0;
      for (int k = 0; k < 3; ++k) {
        switch ((turn + k) % 3) {
          case 0: old = RunOld(averages, false, BLOCKS); break;
          case 1: off = RunNew(averages, false, BLOCKS); break;
          default: on = RunNew(averages, true, BLOCKS); break;
        }
      }
      oldNs.push_back(old / BLOCKS);
      onNs.push_back(on / BLOCKS);
      offRatio.push_back(off / old);
      onRatio.push_back(on / old);
    }
    std::printf("averages %2d: before %.0f ns, readout on %.0f ns a block; readout on / before %.3f, off / before %.3f\n",
                averages, median(oldNs), median(onNs), median(onRatio), median(offRatio));
  }
  return 0;
}
