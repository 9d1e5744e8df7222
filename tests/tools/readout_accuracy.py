#!/usr/bin/env python3
"""How well the pitch readout follows CW on the air, measured with keblor-analyse.

Makes recordings of steady and keyed tones in noise (white over the whole band, or shaped with
the tone by a 500 Hz CW filter), runs keblor-analyse over each with the readout on, one average
and the 1000 Hz span, and counts, from the second second on (the third for a drifting tone), the
pictures whose "pitch" lies within a tolerance of the tone at the picture's time, and on noise
alone the pictures that show any reading. Some cases want their share in every recording, not
only over all of them.

Usage: readout_accuracy.py KEBLOR_ANALYSE [--quick] [--signals N] [--seconds S] [--keep DIR]
Prints one row per case and exits 1 when a case misses its target. --quick makes a few short
recordings (five of 12 s per case), for the test suite; the defaults make ten of 20 s per case.
Needs sox (the CW filter and the WAV files).
"""

import argparse
import array
import json
import math
import os
import random
import subprocess
import sys
import tempfile

RATE = 10240
BLOCK_S = 1024 / RATE
FIRST_BLOCK = 10  # the first second's pictures are not counted
DRIFT_FIRST_BLOCK = 20  # nor, for a drifting tone, the second's in which the drift is learnt
FILTER_WIDTH = 500.0
EDGE_S = 0.005  # raised-cosine key edges

MORSE = {
    "A": ".-", "B": "-...", "C": "-.-.", "D": "-..", "E": ".", "F": "..-.", "G": "--.", "H": "....",
    "I": "..", "J": ".---", "K": "-.-", "L": ".-..", "M": "--", "N": "-.", "O": "---", "P": ".--.",
    "Q": "--.-", "R": ".-.", "S": "...", "T": "-", "U": "..-", "V": "...-", "W": ".--", "X": "-..-",
    "Y": "-.--", "Z": "--..", "0": "-----", "1": ".----", "2": "..---", "3": "...--", "4": "....-",
    "5": ".....", "6": "-....", "7": "--...", "8": "---..", "9": "----.", "/": "-..-.", "?": "..--..",
}

# name, keyed, SNR in dB (None: noise alone), CW filter, tolerance in Hz, share wanted
# (for noise alone: the largest share of pictures with a reading), drift in Hz per second, and
# whether every recording must reach the share on its own.
CASES = [
    ("steady tone, +20 dB full band", False, 20.0, False, 1.0, 0.95, 0.0, False),
    ("steady tone, -10 dB full band", False, -10.0, False, 3.0, 0.95, 0.0, True),
    ("keyed, +10 dB full band", True, 10.0, False, 2.0, 0.95, 0.0, False),
    ("keyed, -10 dB full band", True, -10.0, False, 3.0, 0.90, 0.0, False),
    ("keyed, 500 Hz filter, 0 dB in band", True, 0.0, True, 3.0, 0.90, 0.0, False),
    ("white noise alone", False, None, False, None, 0.02, 0.0, False),
    ("noise alone, 500 Hz filter", False, None, True, None, 0.02, 0.0, False),
    ("steady tone, +10 dB, up 1 Hz/s", False, 10.0, False, 1.0, 0.95, 1.0, False),
    ("steady tone, +10 dB, down 1 Hz/s", False, 10.0, False, 1.0, 0.95, -1.0, False),
    ("keyed, +10 dB, up 1 Hz/s", True, 10.0, False, 1.0, 0.95, 1.0, False),
    ("keyed, +10 dB, down 1 Hz/s", True, 10.0, False, 1.0, 0.95, -1.0, False),
]


def key_intervals(rng, seconds):
    """Key-down intervals (start, end) in seconds of random Morse text at 15-30 wpm, sent
    from 0.2 s on without a pause longer than a word gap."""
    dot = 1.2 / rng.uniform(15.0, 30.0)
    letters = list(MORSE)
    t = 0.2
    down = []
    while t < seconds:
        for _ in range(rng.randint(2, 6)):
            for i, element in enumerate(MORSE[rng.choice(letters)]):
                if i:
                    t += dot
                length = dot if element == "." else 3 * dot
                down.append((t, t + length))
                t += length
            t += 3 * dot
        t += 4 * dot  # 7 dots between words
    return down


def envelope(down, count):
    """The key's envelope per sample, with raised-cosine edges inside each key-down interval."""
    env = array.array("f", bytes(4 * count))
    for start, end in down:
        first, last = int(math.ceil(start * RATE)), min(count, int(end * RATE))
        for n in range(first, last):
            t = n / RATE
            ramp = min(1.0, (t - start) / EDGE_S, (end - t) / EDGE_S)
            env[n] = 0.5 - 0.5 * math.cos(math.pi * ramp)
    return env


def make_recording(path, rng, seconds, keyed, snr_db, filtered, drift):
    """Writes a 16-bit mono recording; returns the tone's pitch at 0 s (None for noise alone),
    which then moves by `drift` Hz a second."""
    count = int(seconds * RATE)
    pitch = rng.uniform(350.0, 900.0) if snr_db is not None else None
    # Noise over the whole band; behind the filter only FILTER_WIDTH / 5120 of its power is left,
    # and the SNR is the tone's power against that.
    sigma = 0.15 if filtered else 0.05
    band = FILTER_WIDTH / (RATE / 2) if filtered else 1.0
    samples = array.array("f", (rng.gauss(0.0, sigma) for _ in range(count)))
    if pitch is not None:
        amplitude = sigma * math.sqrt(band * 2.0 * 10 ** (snr_db / 10.0))
        env = envelope(key_intervals(rng, seconds), count) if keyed else None
        phase = rng.uniform(0.0, 2 * math.pi)
        step = 2 * math.pi * pitch / RATE
        bend = math.pi * drift / (RATE * RATE)  # the phase's quadratic term per sample squared
        for n in range(count):
            gain = amplitude if env is None else amplitude * env[n]
            if gain:
                samples[n] += gain * math.sin(phase + step * n + bend * n * n)
    effects = []
    if filtered:
        # A rig's filter centred near the tone, which lies at least 50 Hz inside its passband.
        if pitch is None:
            centre = rng.uniform(550.0, 750.0)
        else:
            centre = pitch + rng.uniform(-(FILTER_WIDTH / 2 - 50), FILTER_WIDTH / 2 - 50)
        effects = ["sinc", "%.0f-%.0f" % (centre - FILTER_WIDTH / 2, centre + FILTER_WIDTH / 2)]
    raw = path + ".f32"
    with open(raw, "wb") as f:
        samples.tofile(f)
    subprocess.run(["sox", "-R", "-D", "-t", "raw", "-r", str(RATE), "-e", "floating-point", "-b", "32",
                    "-c", "1", raw, "-b", "16", "-e", "signed-integer", path] + effects, check=True)
    os.remove(raw)
    return pitch


def readings(analyse, settings, wav, first_block):
    """The time in seconds and the pitch field (None for no reading) of each picture after
    block first_block."""
    # A cross build's analyser runs under its emulator (KEBLOR_TEST_EMULATOR, e.g. qemu).
    emulator = os.environ.get("KEBLOR_TEST_EMULATOR", "").split()
    out = subprocess.run(emulator + [analyse, "--settings", settings, wav], check=True, capture_output=True, text=True)
    shown = []
    for line in out.stdout.splitlines():
        frame = json.loads(line)
        if frame["blocks"] > first_block:
            shown.append((frame["blocks"] * BLOCK_S, frame["vfoA"]["pitch"]))
    return shown


def flicker_count(shown):
    """How often the number shown (whole hertz) went back to the one before within a second."""
    changes = []  # (picture, number) at each change
    for i, p in enumerate(shown):
        number = None if p is None else math.floor(p + 0.5)
        if not changes or changes[-1][1] != number:
            changes.append((i, number))
    return sum(1 for a, b in zip(changes, changes[2:])
               if a[1] is not None and a[1] == b[1] and b[0] - a[0] <= FIRST_BLOCK)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("analyse")
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--signals", type=int)
    parser.add_argument("--seconds", type=float)
    parser.add_argument("--keep", help="a folder to keep the recordings in")
    parser.add_argument("--case", help="only the cases whose name holds this text")
    args = parser.parse_args()
    signals = args.signals or (5 if args.quick else 10)
    seconds = args.seconds or (12.0 if args.quick else 20.0)

    work = args.keep or tempfile.mkdtemp(prefix="keblor-readout.")
    os.makedirs(work, exist_ok=True)
    settings = os.path.join(work, "keblor.ini")
    with open(settings, "w") as f:
        f.write("[General]\nPitchReadout=1\nNumberOfAverages=1\n[VFO-A]\nRange=1\n")

    missed = 0
    print("%-36s %6s %7s %7s %9s %6s %8s %8s" % ("signal", "within", "share", "worst", "wanted", "blank", "95% err",
                                                 "flicker"))
    for index, (name, keyed, snr_db, filtered, tolerance, wanted, drift, each) in enumerate(CASES):
        if args.case and args.case not in name:
            continue
        hits = blanks = total = flickers = 0
        errors = []
        worst = None  # the worst recording's share
        for s in range(signals):
            rng = random.Random(1000 * index + s)
            wav = os.path.join(work, "case%d-%d.wav" % (index, s))
            pitch = make_recording(wav, rng, seconds, keyed, snr_db, filtered, drift)
            shown = readings(args.analyse, settings, wav, DRIFT_FIRST_BLOCK if drift else FIRST_BLOCK)
            if pitch is None:
                own = sum(p is not None for _, p in shown)
            else:
                off = [abs(p - pitch - drift * t) for t, p in shown if p is not None]
                errors += off
                own = sum(e <= tolerance for e in off)
            hits += own
            share = own / len(shown)
            worst = share if worst is None else (max if snr_db is None else min)(worst, share)
            blanks += sum(p is None for _, p in shown)
            flickers += flicker_count([p for _, p in shown])
            total += len(shown)
            if not args.keep:
                os.remove(wav)
        share = hits / total
        ok = share <= wanted if snr_db is None else share >= wanted
        if each:
            ok = ok and (worst <= wanted if snr_db is None else worst >= wanted)
        within = "any" if tolerance is None else "%.0f Hz" % tolerance
        limit = ("<= " if snr_db is None else ">= ") + "%.0f %%" % (100 * wanted) + (" each" if each else "")
        error = "%.2f Hz" % sorted(errors)[int(0.95 * (len(errors) - 1))] if errors else "-"
        print("%-36s %6s %6.1f%% %6.1f%% %9s %5.1f%% %8s %8d%s" % (name, within, 100 * share, 100 * worst, limit,
                                                                100 * blanks / total, error, flickers,
                                                                "" if ok else "  MISSED"))
        missed += not ok
    if not args.keep:
        os.remove(settings)
        os.rmdir(work)
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
