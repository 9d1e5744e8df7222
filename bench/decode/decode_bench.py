"""How well keblor-analyse --decode finds and reads every CW signal in a recording.

Makes recordings of known CW (cw_recordings.py), runs `ANALYSE --settings INI --decode FILE.wav`
over each and scores the last JSON line it prints ({"signals": [...]}) against the truth:
- a decoded signal belongs to the station nearest in pitch, within MATCH_HZ of the pitches it
  had while keyed; a station no signal belongs to is missed; a signal that belongs to no station
  is invented when it holds INVENTED_CHARS characters or more (a stray otherwise);
- CER: edit distance between the texts of all the signals of a station (in order of listing)
  and everything the station sent, over the length of the latter; spaces collapsed, upper case,
  a prosign such as <AR> one character;
- pitch error at the station's last key-down, WPM error, and time to list (first_s minus the
  station's first key-down), taken from its signal with the longest text.

Prints one line per case and summary tables, writes a JSON summary, and exits 1 when a case
misses its target or the analyser fails. --quick runs a few short cases (+10 dB, 25 WPM: one
station behind either filter, a mix of three) that must each list every station within 5 % CER.
fake_analyse.py, given as ANALYSE, answers from the truth written beside each recording: it
proves the benchmark, and KEBLOR_FAKE spoils its answers to show each failure being caught.
"""

import argparse
import concurrent.futures
import json
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import cw_recordings as cw  # noqa: E402

MATCH_HZ = 10.0
INVENTED_CHARS = 5
QUICK_CER = 0.05
SNRS = (10, 5, 0, -5, -10)
WPMS = (15, 20, 25, 30, 40)
FILTER_NAMES = ("2400", "500")


def single_target(snr):
    """The most CER one machine-keyed station at 15-40 WPM may have at this SNR (None: no target)."""
    return {10: 0.01, 5: 0.01, 0: 0.03, -5: 0.25}.get(snr)


def build_cases(quick):
    """Each case: name, group, seed, and what make_recording needs."""
    if quick:
        return [
            dict(name="single 25wpm +10dB 2400", group="single", seed=1, filter="2400", snr=10, wpm=25, chars=60,
                 target=QUICK_CER),
            dict(name="single 25wpm +10dB 500", group="single", seed=2, filter="500", snr=10, wpm=25, chars=60,
                 target=QUICK_CER),
            # The mix as a whole: one character of a weak station beside a stronger one may go
            # either way with a change of the tracker, which the full benchmark weighs.
            dict(name="mix 3 +10dB 2400", group="mix", seed=3, filter="2400", stations=3, snr=10, spread=10,
                 wpm=25, seconds=30.0, target=QUICK_CER, whole=True),
        ]
    cases, seed = [], 100
    for filt in FILTER_NAMES:
        for snr in SNRS:
            for wpm in WPMS:
                seed += 1
                cases.append(dict(name="single %dwpm %+ddB %s" % (wpm, snr, filt), group="single", seed=seed,
                                  filter=filt, snr=snr, wpm=wpm, chars=200, target=single_target(snr)))
    for wpm, weight, jitter, snr, filt in ((15, 2.5, 0.10, 10, "2400"), (20, 3.0, 0.12, 10, "2400"),
                                           (25, 4.0, 0.10, 10, "500"), (30, 3.0, 0.08, 5, "2400"),
                                           (20, 3.5, 0.15, 0, "500")):
        seed += 1
        cases.append(dict(name="hand %dwpm 1:%.1f %+ddB %s" % (wpm, weight, snr, filt), group="hand", seed=seed,
                          filter=filt, snr=snr, wpm=wpm, weight=weight, jitter=jitter, chars=200))
    cases.append(dict(name="farnsworth 25/12wpm +10dB 2400", group="farnsworth", seed=seed + 1, filter="2400",
                      snr=10, wpm=25, effective_wpm=12, chars=150))
    cases.append(dict(name="qsb 0.1Hz 10dB +10dB 2400", group="qsb", seed=seed + 2, filter="2400", snr=10,
                      wpm=25, qsb_hz=0.1, qsb_db=10, chars=200))
    cases.append(dict(name="qsb 0.1Hz 20dB +20dB 500", group="qsb", seed=seed + 3, filter="500", snr=20,
                      wpm=25, qsb_hz=0.1, qsb_db=20, chars=200))
    cases.append(dict(name="drift +1Hz/s +10dB 2400", group="drift", seed=seed + 4, filter="2400", snr=10,
                      wpm=25, drift=1.0, chars=200))
    cases.append(dict(name="drift -1Hz/s +5dB 500", group="drift", seed=seed + 5, filter="500", snr=5,
                      wpm=20, drift=-1.0, chars=150))
    seed += 10
    for n, filt, snr in ((3, "2400", 5), (5, "2400", 5), (8, "2400", 5), (8, "2400", 10), (3, "500", 5),
                         (5, "500", 5), (8, "500", 5), (8, "2400", 0)):
        seed += 1
        cases.append(dict(name="mix %d %+ddB..%+ddB %s" % (n, snr, snr + 20, filt), group="mix", seed=seed,
                          filter=filt, stations=n, snr=snr, spread=20, seconds=90.0,
                          target=0.03 if snr >= 5 else None))
    for rate in (8000, 48000):
        seed += 1
        cases.append(dict(name="single 25wpm +5dB 2400 @%d" % rate, group="rate", seed=seed, filter="2400",
                          snr=5, wpm=25, chars=200, rate=rate, target=single_target(5)))
    for wpm, snr, filt in ((20, 5, "2400"), (25, 10, "500"), (30, 0, "2400"), (40, 5, "500")):
        seed += 1
        cases.append(dict(name="ebook2cw %dwpm %+ddB %s @11025" % (wpm, snr, filt), group="ebook2cw", seed=seed,
                          filter=filt, snr=snr, wpm=wpm, chars=200, rate=11025, ebook2cw=True,
                          target=single_target(snr)))
    cases.append(dict(name="noise 600s 2400", group="noise", seed=seed + 1, filter="2400", seconds=600.0))
    cases.append(dict(name="noise 120s 500", group="noise", seed=seed + 2, filter="500", seconds=120.0))
    return cases


def mix_pitches(rng, n, filt):
    """Pitches at least 40 Hz apart (two neighbours exactly 40), in the filter's flat passband."""
    steps = [40.0] + [rng.uniform(40.0, 55.0 if filt == "500" else 150.0) for _ in range(n - 2)]
    rng.shuffle(steps)
    first = rng.uniform(450.0, 700.0)
    return [first + sum(steps[:i]) for i in range(n)]


def make_recording(case, wav):
    """Writes the case's WAV and returns its truth: rate, seconds, filter edges and stations."""
    rng = random.Random(case["seed"])
    rate = case.get("rate", cw.AUDIO_RATE)
    stations, extra, truths = [], [], []
    if case["group"] == "mix":
        pitches = mix_pitches(rng, case["stations"], case["filter"])
        levels = [case["snr"], case["snr"] + case["spread"]] + [
            case["snr"] + rng.uniform(0, case["spread"]) for _ in pitches[2:]]
        rng.shuffle(levels)
        seconds = case["seconds"]
        for hz, snr in zip(pitches, levels):
            stations.append(cw.Station(rng, hz, snr, case.get("wpm") or rng.randint(15, 40), chars=10000,
                                       start=rng.uniform(0.5, 10.0), duration=seconds))
        centre = (pitches[0] + pitches[-1]) / 2
    elif case["group"] == "noise":
        seconds, centre = case["seconds"], rng.uniform(550.0, 750.0)
    elif case.get("ebook2cw"):
        hz = rng.randint(500, 850)
        call = cw.callsign(rng)
        sent = cw.transmissions(rng, call, case["chars"])
        keyed = cw.ebook2cw_render(sent, case["wpm"], hz, rate)
        extra.append((keyed, case["snr"]))
        k = cw.keying(keyed, rate)
        elements = sum(len(cw.MORSE[c]) for c in cw.tokens(" ".join(sent)) if c != " ")
        if len(k["marks"]) != elements:  # it keyed something other than the text
            raise RuntimeError("ebook2cw keyed %d elements, the text has %d" % (len(k["marks"]), elements))
        last = k["first"] + sum(k["marks"]) + sum(k["spaces"])
        truths.append({"call": call, "hz": hz, "hz_end": hz, "wpm": case["wpm"], "snr_db": case["snr"],
                       "first_keydown_s": round(k["first"], 4), "last_keyup_s": round(last, 4),
                       "text": " ".join(sent)})
        seconds, centre = len(keyed) / rate + 1.0, hz
    else:
        hz = rng.uniform(400.0, 900.0)
        station = cw.Station(rng, hz, case["snr"], case["wpm"], case["chars"], start=rng.uniform(0.5, 2.0),
                             weight=case.get("weight", 3.0), jitter=case.get("jitter", 0.0),
                             effective_wpm=case.get("effective_wpm"), drift=case.get("drift", 0.0),
                             qsb_hz=case.get("qsb_hz", 0.0), qsb_db=case.get("qsb_db", 0.0))
        stations.append(station)
        seconds = station.down[-1][1] + 1.5
        # a drifting tone stays in the middle of the filter on average
        centre = station.hz_at(seconds / 2)
    x = cw.band(case["seed"], stations, seconds, rate, case["filter"], centre, extra)
    cw.write_wav(wav, x, rate)
    low, high, _ = cw.filter_edges(case["filter"], centre)
    return {"name": case["name"], "rate": rate, "seconds": round(seconds, 3), "filter_hz": [low, high],
            "stations": truths + [s.truth() for s in stations]}


# ---------------------------------------------------------------------------------------------
# Scoring

def normalised(text):
    return cw.tokens(" ".join(text.upper().split()))


def edit_distance(a, b):
    row = list(range(len(b) + 1))
    for i, x in enumerate(a, 1):
        prev, row[0] = row[0], i
        for j, y in enumerate(b, 1):
            prev, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, prev + (x != y))
    return row[-1]


def score(truth, signals):
    """Per station: found, CER, errors; and the signals that belong to no station."""
    stations = truth["stations"]
    mine = [[] for _ in stations]
    invented = strays = 0
    for s in signals:
        distances = [max(0.0, min(t["hz"], t["hz_end"]) - s["hz"], s["hz"] - max(t["hz"], t["hz_end"]))
                     for t in stations]
        nearest = min(range(len(stations)), key=distances.__getitem__) if stations else None
        if nearest is not None and distances[nearest] <= MATCH_HZ:
            mine[nearest].append(s)
        elif len([c for c in normalised(s.get("text", "")) if c != " "]) >= INVENTED_CHARS:
            invented += 1
        else:
            strays += 1
    results = []
    for t, heard in zip(stations, mine):
        heard.sort(key=lambda s: s.get("first_s", 0.0))
        want = normalised(t["text"])
        got = normalised(" ".join(s.get("text", "") for s in heard))
        r = {"hz": t["hz"], "wpm": t["wpm"], "snr_db": t["snr_db"], "found": bool(heard), "signals": len(heard),
             "chars": len(want), "edits": edit_distance(got, want)}
        r["cer"] = r["edits"] / len(want)
        if heard:
            best = max(heard, key=lambda s: len(s.get("text", "")))
            r["pitch_err"] = abs(best["hz"] - t["hz_end"])
            r["wpm_err"] = abs(best["wpm"] - t["wpm"]) if best.get("wpm") else None
            r["list_s"] = min(s.get("first_s", 0.0) for s in heard) - t["first_keydown_s"]
            r["call_right"] = any(s.get("call") == t["call"] for s in heard)
        results.append(r)
    return results, invented, strays


def run_analyser(analyse, settings, wav):
    """The signals of the last {"signals": ...} line the analyser printed."""
    # A cross build's analyser runs under its emulator (KEBLOR_TEST_EMULATOR, e.g. qemu).
    emulator = os.environ.get("KEBLOR_TEST_EMULATOR", "").split()
    out = subprocess.run(emulator + [analyse, "--settings", settings, "--decode", wav], capture_output=True, text=True)
    if out.returncode != 0:
        raise RuntimeError("exit %d: %s" % (out.returncode, out.stderr.strip()[:200]))
    for line in reversed(out.stdout.splitlines()):
        if line.startswith("{") and '"signals"' in line:
            return json.loads(line)["signals"]
    raise RuntimeError("no {\"signals\": ...} line in its output")


# ---------------------------------------------------------------------------------------------
# Report

def fmt(value, pattern):
    return "-" if value is None else pattern % value


def percent(share):
    return fmt(None if share is None else 100 * share, "%.2f%%")


def case_summary(case, results, invented, strays):
    found = sum(r["found"] for r in results)
    chars = sum(r["chars"] for r in results)
    row = {"name": case["name"], "group": case["group"], "stations": len(results), "found": found,
           "missed": len(results) - found, "invented": invented, "strays": strays,
           "calls_right": sum(r.get("call_right", False) for r in results),
           "cer": sum(r["edits"] for r in results) / chars if chars else None,
           "worst_cer": max((r["cer"] for r in results), default=None)}
    for key in ("pitch_err", "wpm_err", "list_s"):
        values = [r[key] for r in results if r.get(key) is not None]
        row[key] = max(values) if values else None
    target = case.get("target")
    if case["group"] == "noise":
        row["target"], row["ok"] = "none invented", invented == 0
    elif target is not None and case.get("whole"):
        row["target"] = "all found, none invented, the case's CER <= %g %%" % (100 * target)
        row["ok"] = row["missed"] == 0 and invented == 0 and row["cer"] <= target
    elif target is not None:
        row["target"] = "all found, CER <= %g %%" % (100 * target)
        row["ok"] = row["missed"] == 0 and row["worst_cer"] <= target
    else:
        row["target"], row["ok"] = None, None
    row["per_station"] = results
    return row


LINE = "%-34s %5s %4s %4s %7s %7s %5s %7s %6s %7s %6s  %s"


def print_line(row):
    verdict = {True: "ok", False: "MISSED", None: ""}[row["ok"]]
    if row.get("error"):
        verdict = "FAILED: " + row["error"]
    print(LINE % (row["name"], "%d/%d" % (row["found"], row["stations"]), row["missed"], row["invented"],
                  percent(row["cer"]), percent(row["worst_cer"]), "%d/%d" % (row["calls_right"], row["stations"]),
                  fmt(row["pitch_err"], "%.1fHz"), fmt(row["wpm_err"], "%.1f"), fmt(row["list_s"], "%.1fs"),
                  fmt(row.get("seconds_taken"), "%.1fs"), verdict), flush=True)


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def tables(rows):
    """Median CER of the machine-keyed single stations by SNR and filter, and by WPM and SNR."""
    single = [r for r in rows if r["group"] == "single" and r["cer"] is not None]
    by_filter = {"%+d" % snr: {f: median([r["cer"] for r in single if r["snr"] == snr and r["filter"] == f])
                               for f in FILTER_NAMES} for snr in SNRS}
    by_wpm = {"%+d" % snr: {str(w): median([r["cer"] for r in single if r["snr"] == snr and r["wpm"] == w])
                            for w in WPMS} for snr in SNRS}
    groups = {}
    for g in dict.fromkeys(r["group"] for r in rows):
        mine = [r for r in rows if r["group"] == g]
        groups[g] = {"cases": len(mine), "stations": sum(r["stations"] for r in mine),
                     "missed": sum(r["missed"] for r in mine), "invented": sum(r["invented"] for r in mine),
                     "calls_right": sum(r["calls_right"] for r in mine),
                     "median_cer": median([r["cer"] for r in mine]),
                     "max_cer": max((r["worst_cer"] for r in mine if r["worst_cer"] is not None), default=None),
                     "median_list_s": median([s.get("list_s") for r in mine for s in r["per_station"]]),
                     "max_pitch_err": max((r["pitch_err"] for r in mine if r["pitch_err"] is not None), default=None),
                     "median_wpm_err": median([s.get("wpm_err") for r in mine for s in r["per_station"]]),
                     "missed_targets": sum(r["ok"] is False for r in mine)}
    return {"median_cer_by_snr_filter": by_filter, "median_cer_by_snr_wpm": by_wpm, "groups": groups}


def print_tables(t, quick):
    if not quick:
        print("\nMedian CER, one machine-keyed station, by SNR (in 500 Hz) and receiver filter:")
        print("%8s %10s %10s %10s" % ("SNR dB", "2400 Hz", "500 Hz", "target"))
        for snr, cells in t["median_cer_by_snr_filter"].items():
            print("%8s %10s %10s %10s" % (snr, percent(cells["2400"]), percent(cells["500"]),
                                          percent(single_target(int(snr)))))
        print("\nMedian CER by SNR and WPM (both filters):")
        print("%8s" % "SNR dB" + "".join("%9s" % ("%d wpm" % w) for w in WPMS))
        for snr, cells in t["median_cer_by_snr_wpm"].items():
            print("%8s" % snr + "".join("%9s" % percent(cells[str(w)]) for w in WPMS))
    print_groups(t)


def print_groups(t):
    print("\nBy group:")
    print("%-11s %5s %8s %6s %8s %6s %8s %8s %8s %8s %8s %7s" % (
        "group", "cases", "stations", "missed", "invented", "calls", "med CER", "max CER", "med list", "max dHz",
        "med dWPM", "missed"))
    for g, s in t["groups"].items():
        print("%-11s %5d %8d %6d %8d %6d %8s %8s %8s %8s %8s %7d" % (
            g, s["cases"], s["stations"], s["missed"], s["invented"], s["calls_right"], percent(s["median_cer"]), percent(s["max_cer"]),
            fmt(s["median_list_s"], "%.1fs"), fmt(s["max_pitch_err"], "%.1f"), fmt(s["median_wpm_err"], "%.1f"),
            s["missed_targets"]))
    print("(calls: stations whose callsign was heard right; missed: cases that missed their target)")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("analyse", help="keblor-analyse (or a program that answers like it)")
    parser.add_argument("--quick", action="store_true", help="a few short cases, for the test suite")
    parser.add_argument("--only", help="the cases whose name contains this text")
    parser.add_argument("--keep", help="a folder to keep the recordings and their truth in")
    parser.add_argument("--json", help="the summary file (default: decode_bench.json, none with --quick)")
    parser.add_argument("--seeds", default="0",
                        help="every case once per number in this comma-separated list, added to its seed "
                             "(e.g. 0,1000,2000); the tables take in all of them")
    parser.add_argument("--jobs", type=int, default=1, help="cases run at once")
    args = parser.parse_args()

    work = args.keep or tempfile.mkdtemp(prefix="keblor-decode.")
    os.makedirs(work, exist_ok=True)
    settings = os.path.join(work, "keblor.ini")
    with open(settings, "w") as f:
        f.write("[General]\n")
    cases = []
    for shift in (int(s) for s in args.seeds.split(",")):
        for c in build_cases(args.quick):
            if not args.only or args.only in c["name"]:
                cases.append(dict(c, seed=c["seed"] + shift, name=c["name"] + (" s%d" % shift if shift else "")))

    print(LINE % ("case", "found", "miss", "inv", "CER", "worst", "call", "dHz", "dWPM", "list", "took", ""))

    def run_case(index, case):
        wav = os.path.join(work, "case%02d.wav" % index)
        truth = make_recording(case, wav)
        with open(wav[:-4] + ".truth.json", "w") as f:
            json.dump(truth, f, indent=1)
        started = time.monotonic()
        try:
            signals, error = run_analyser(args.analyse, settings, wav), None
        except RuntimeError as e:
            signals, error = [], str(e)
        row = case_summary(case, *score(truth, signals))
        row.update(seconds_taken=time.monotonic() - started, recording_s=truth["seconds"],
                   filter=case["filter"], snr=case.get("snr"), wpm=case.get("wpm"), signals_listed=len(signals))
        if error:
            row.update(error=error, ok=False)
        if not args.keep:
            os.remove(wav)
            os.remove(wav[:-4] + ".truth.json")
        return row

    rows = []
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(args.jobs, 1)) as pool:
        for row in pool.map(run_case, range(len(cases)), cases):
            rows.append(row)
            print_line(row)

    summary = tables(rows)
    print_tables(summary, args.quick)
    missed = sum(r["ok"] is False for r in rows)
    print("\n%d of %d cases missed their target" % (missed, len(rows)))
    json_path = args.json or (None if args.quick else "decode_bench.json")
    if json_path:
        with open(json_path, "w") as f:
            json.dump({"analyser": args.analyse, "cases": rows, "tables": summary, "missed_targets": missed}, f,
                      indent=1)
        print("summary: %s" % json_path)
    if not args.keep:
        os.remove(settings)
        os.rmdir(work)
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
