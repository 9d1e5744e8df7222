#!/usr/bin/env python3
"""Answers `--settings INI --decode FILE.wav` as keblor-analyse does, from the truth the benchmark
wrote beside the recording (FILE.truth.json): for proving the benchmark, not the decoder.

KEBLOR_FAKE (comma-separated) spoils the answer: errors=F replaces that share of each text's
characters, drop drops the last station, invent adds a signal where there is none, split lists
each transmission as a signal of its own. Without --decode it fails as an analyser without it.
"""

import json
import os
import random
import sys


def main():
    args = sys.argv[1:]
    if "--settings" in args:
        del args[args.index("--settings"):args.index("--settings") + 2]
    if len(args) != 2 or args[0] != "--decode":
        print("fake_analyse: unknown option (only --settings INI --decode FILE.wav)", file=sys.stderr)
        return 2
    with open(args[1][:-4] + ".truth.json") as f:
        truth = json.load(f)
    spoil = dict(item.partition("=")[::2] for item in os.environ.get("KEBLOR_FAKE", "").split(",") if item)
    rng = random.Random(1)
    stations = truth["stations"][:-1] if "drop" in spoil else truth["stations"]
    signals = []
    for t in stations:
        texts = t["text"].split(" <SK> ") if "split" in spoil else [t["text"]]
        for k, text in enumerate(texts):
            if k < len(texts) - 1:
                text += " <SK>"
            if "errors" in spoil:
                text = "".join("E" if c != " " and rng.random() < float(spoil["errors"]) else c for c in text)
            signals.append({"channel": "A", "id": len(signals) + 1, "hz": round(t["hz_end"] + 0.3, 1),
                            "wpm": t["wpm"] + 0.5, "snr_db": t["snr_db"], "first_s": t["first_keydown_s"] + 1.0 + k,
                            "call": t["call"], "text": text})
    if "invent" in spoil:
        signals.append({"channel": "A", "id": 99, "hz": 3000.0, "wpm": 20.0, "snr_db": 0.0, "first_s": 5.0,
                        "call": "", "text": "EEE TTT EE"})
    print(json.dumps({"blocks": 1, "vfoA": {"pitch": None}}))
    print(json.dumps({"signals": sorted(signals, key=lambda s: s["hz"])}))
    return 0


if __name__ == "__main__":
    sys.exit(main())
