"""A band of three CW stations of known text, apart in level, pitch and speed, keyed over and
over by the decoder benchmark's keyer, and its white noise: two mono WAVs one loop long, to be
played again and again and summed, DIR/stations.wav and DIR/noise.wav (the same noise each time).
Prints each station as "CALL PITCH" (Hz, as heard after the shift).

Usage: signals_band.py DIR [SHIFT_HZ]
SHIFT_HZ (default 0) lowers every pitch, as a receiver tuned up by that much hears them.
"""

import math
import os
import sys

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench", "decode"))
import cw_recordings as cw  # noqa: E402

# (call, text, pitch in Hz, WPM, SNR in dB over 500 Hz): the second 10 dB below the first.
STATIONS = [
    ("DL1ABC", "CQ CQ DE DL1ABC DL1ABC K", 600.0, 22, 24.0),
    ("G4XYZ", "CQ TEST G4XYZ G4XYZ", 760.0, 28, 14.0),
    ("OK1RR", "CQ DE OK1RR OK1RR K", 880.0, 18, 20.0),
]
LOOP_S = 24.0
PAUSE_S = 1.0  # between one call and the next
# The noise's sigma in full scale: the three stations keyed down at once (13.6 sigma) and the
# noise's peaks sum below 0.8, so that neither the files nor the sink they are played into clip.
SCALE = 0.04


def main():
    out, shift = sys.argv[1], float(sys.argv[2]) if len(sys.argv) > 2 else 0.0
    rate = cw.AUDIO_RATE
    count = int(LOOP_S * rate)
    cw.write_wav(os.path.join(out, "noise.wav"), SCALE * np.random.default_rng(7).normal(0.0, 1.0, count), rate)
    x = np.zeros(count)
    t = np.arange(count) / rate
    for k, (call, text, hz, wpm, snr_db) in enumerate(STATIONS):
        down, start = [], 0.3 * k
        while True:
            keyed, end = cw.key_intervals(text, wpm, start)
            if end > LOOP_S:
                break
            down += keyed
            start = end + PAUSE_S
        amplitude = math.sqrt(2.0 * 10 ** (snr_db / 10) * cw.SNR_BANDWIDTH_HZ / (rate / 2))
        x += cw.envelope(down, count, rate) * amplitude * np.cos(2 * math.pi * (hz - shift) * t)
        print(call, round(hz - shift))
    cw.write_wav(os.path.join(out, "stations.wav"), SCALE * x, rate)


if __name__ == "__main__":
    main()
