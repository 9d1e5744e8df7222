"""Recordings of CW on the air with their true content, for the decoder benchmark.

Every recording is made from a seed and a few numbers, so the same case gives the same samples.
Stations are keyed from text (machine keying, hand keying or Farnsworth spacing) with raised-cosine
edges, each on its own pitch with optional drift and fading, summed with white noise and passed
through a receiver filter.

SNR, in dB: a station's power during key-down (A^2 / 2 for amplitude A) over the power of the
noise in 500 Hz of the receiver's flat passband (the white noise's density times 500 Hz). The
filter passes both unchanged there, so the ratio holds behind any filter that passes the tone.

Run as a program, it keys the same text here and with Debian's ebook2cw and prints the element
lengths and rise times measured on both (--compare-ebook2cw).
"""

import math
import os
import subprocess
import sys
import tempfile
import wave

import numpy as np

AUDIO_RATE = 10240
SNR_BANDWIDTH_HZ = 500.0
EDGE_S = 0.005          # raised-cosine rise and fall, 0 to full, centred on the key's edge
PEAK = 0.8              # a recording is scaled to this peak before 16-bit rounding

MORSE = {
    "A": ".-", "B": "-...", "C": "-.-.", "D": "-..", "E": ".", "F": "..-.", "G": "--.", "H": "....",
    "I": "..", "J": ".---", "K": "-.-", "L": ".-..", "M": "--", "N": "-.", "O": "---", "P": ".--.",
    "Q": "--.-", "R": ".-.", "S": "...", "T": "-", "U": "..-", "V": "...-", "W": ".--", "X": "-..-",
    "Y": "-.--", "Z": "--..", "0": "-----", "1": ".----", "2": "..---", "3": "...--", "4": "....-",
    "5": ".....", "6": "-....", "7": "--...", "8": "---..", "9": "----.", "/": "-..-.", "?": "..--..",
    "<AR>": ".-.-.", "<SK>": "...-.-", "<BT>": "-...-", "<KN>": "-.--.",
}

# Receiver filters: (low, high) edges at -6 dB, and the width of each raised-cosine skirt.
FILTERS = {"2400": (300.0, 2700.0, 200.0), "500": (None, None, 100.0)}

# ---------------------------------------------------------------------------------------------
# Texts that look like the air: CQs, QSOs, contest exchanges.

PREFIXES = ["DL", "DK", "G", "M0", "F", "OK", "SP", "K", "W", "N", "VE", "JA", "I", "EA", "ON", "PA",
            "OH", "SM", "LZ", "HA", "YO", "9A", "S5", "EI", "VK", "ZL", "OE", "HB9", "UR", "LY"]
NAMES = ["HANS", "JOHN", "PETE", "ANNA", "MIKE", "BOB", "JAN", "TOM", "ERIK", "LUCA", "PACO", "KEN",
         "OLGA", "JIM", "FRED", "MARC", "IVAN", "SUE"]
QTHS = ["BERLIN", "LEEDS", "LYON", "BRNO", "KRAKOW", "OHIO", "TEXAS", "OSAKA", "ROMA", "MADRID",
        "GENT", "DELFT", "OULU", "SOFIA", "GRAZ", "BERN", "KYIV", "RIGA"]
RIGS = ["IC7300", "K3", "FT991", "TS590", "QRP 5W", "FT817", "HOMEBREW"]
ANTS = ["DIPOLE", "YAGI", "VERTICAL", "EFHW", "LOOP", "GP"]
RSTS = ["599", "579", "589", "559", "569", "449", "339"]


def callsign(rng):
    call = rng.choice(PREFIXES) + str(rng.randint(0, 9)) + "".join(
        rng.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(rng.randint(1, 3)))
    return call + ("/P" if rng.random() < 0.1 else "")


def transmissions(rng, call, chars):
    """Transmissions one station might send in a while (at least `chars` characters in all)."""
    other = callsign(rng)
    name, qth, rst = rng.choice(NAMES), rng.choice(QTHS), rng.choice(RSTS)
    kinds = [
        lambda: "CQ CQ CQ DE %s %s %s K" % (call, call, call),
        lambda: "CQ CQ DE %s %s <AR>" % (call, call),
        lambda: "%s DE %s GM TNX FER CALL UR RST %s %s NAME %s %s QTH %s %s HW? %s DE %s <KN>" % (
            other, call, rst, rst, name, name, qth, qth, other, call),
        lambda: "%s DE %s R R TNX %s <BT> RIG %s ANT %s <BT> WX SUNNY 73 %s DE %s <SK>" % (
            other, call, rng.choice(NAMES), rng.choice(RIGS), rng.choice(ANTS), other, call),
        lambda: "TEST %s %s" % (call, call),
        lambda: "%s 5NN %03d TU %s" % (other, rng.randint(1, 999), call),
        lambda: "QRL? %s DE %s PSE QRS" % (other, call),
    ]
    sent = []
    while sum(len(t) + 1 for t in sent) < chars:
        sent.append(rng.choice(kinds)())
    return sent


def tokens(text):
    """The characters of a text as keyed: prosigns such as <AR> are one character."""
    out, i = [], 0
    while i < len(text):
        if text[i] == "<" and ">" in text[i:i + 5]:
            j = text.index(">", i) + 1
            out.append(text[i:j])
            i = j
        else:
            out.append(text[i])
            i += 1
    return out


# ---------------------------------------------------------------------------------------------
# Keying

def key_intervals(text, wpm, start, rng=None, weight=3.0, jitter=0.0, effective_wpm=None):
    """Key-down intervals (start, end) in seconds for `text` from `start` on, and the end of the
    word gap after the last element. A dot is 1.2 / wpm s; a dash is `weight` dots. `jitter`
    (hand keying) scales each mark and gap by 1 + jitter * N(0, 1) drawn from `rng`.
    `effective_wpm` below wpm stretches the gaps between characters and words (Farnsworth)."""
    dot = 1.2 / wpm
    char_gap, word_gap = 3 * dot, 7 * dot
    if effective_wpm and effective_wpm < wpm:
        spare = (60.0 * wpm - 37.2 * effective_wpm) / (wpm * effective_wpm)
        char_gap, word_gap = 3 * spare / 19, 7 * spare / 19

    def vary(length):
        return length * max(0.4, 1.0 + jitter * rng.gauss(0.0, 1.0)) if jitter else length

    t, down = start, []
    for word in text.split():
        for k, char in enumerate(tokens(word)):
            for i, element in enumerate(MORSE[char]):
                if down:
                    t += vary(dot if i else char_gap if k else word_gap)
                length = vary(dot if element == "." else weight * dot)
                down.append((t, t + length))
                t += length
    t += word_gap
    return down, t


def envelope(down, count, rate, edge=EDGE_S):
    """The key's envelope per sample: raised-cosine edges of `edge` s, half-way at each edge."""
    env = np.zeros(count)
    half = edge / 2
    for start, end in down:
        first = max(0, int(math.ceil((start - half) * rate)))
        last = min(count, int(math.floor((end + half) * rate)) + 1)
        if first >= last:
            continue
        t = np.arange(first, last) / rate
        ramp = np.clip(np.minimum(t - (start - half), (end + half) - t) / edge, 0.0, 1.0)
        env[first:last] = np.maximum(env[first:last], 0.5 - 0.5 * np.cos(np.pi * ramp))
    return env


class Station:
    """One keyed signal: its pitch, level and keying, and the text it sent."""

    def __init__(self, rng, hz, snr_db, wpm, chars, start, duration=None, weight=3.0, jitter=0.0,
                 effective_wpm=None, drift=0.0, qsb_hz=0.0, qsb_db=0.0):
        self.hz, self.snr_db, self.wpm, self.drift = hz, snr_db, wpm, drift
        self.qsb_hz, self.qsb_db = qsb_hz, qsb_db
        self.qsb_phase = rng.uniform(0, 2 * math.pi)
        self.phase = rng.uniform(0, 2 * math.pi)
        self.call = callsign(rng)
        self.down, self.sent = [], []
        t = start
        for text in transmissions(rng, self.call, chars):
            down, end = key_intervals(text, wpm, t, rng, weight, jitter, effective_wpm)
            if duration is not None and end > duration - 1.0:
                break
            self.down += down
            self.sent.append(text)
            t = end + rng.uniform(2.0, 6.0)  # listening between transmissions
        self.end = t

    def hz_at(self, seconds):
        return self.hz + self.drift * seconds

    def truth(self):
        first, last = self.down[0][0], self.down[-1][1]
        return {"call": self.call, "hz": round(self.hz_at(first), 2), "hz_end": round(self.hz_at(last), 2),
                "wpm": self.wpm, "snr_db": self.snr_db, "first_keydown_s": round(first, 4),
                "last_keyup_s": round(last, 4), "text": " ".join(self.sent)}

    def render(self, count, rate, noise_sigma):
        t = np.arange(count) / rate
        amplitude = noise_sigma * math.sqrt(2.0 * 10 ** (self.snr_db / 10) * SNR_BANDWIDTH_HZ / (rate / 2))
        gain = envelope(self.down, count, rate) * amplitude
        if self.qsb_db:
            # SNR holds at the fade's peak; the trough lies qsb_db below it
            gain *= 10 ** (-self.qsb_db / 20 * 0.5 * (1 - np.cos(2 * math.pi * self.qsb_hz * t + self.qsb_phase)))
        return gain * np.cos(2 * math.pi * (self.hz * t + 0.5 * self.drift * t * t) + self.phase)


# ---------------------------------------------------------------------------------------------
# Band, noise, receiver filter, file

def filter_edges(name, centre):
    low, high, skirt = FILTERS[name]
    if low is None:
        low, high = centre - 250.0, centre + 250.0
    return low, high, skirt


def receiver_filter(x, rate, low, high, skirt):
    """Zero-phase band-pass: flat between the skirts, -6 dB at low and high, raised-cosine skirts
    `skirt` Hz wide."""
    spectrum = np.fft.rfft(x)
    f = np.fft.rfftfreq(len(x), 1.0 / rate)

    def rise(edge):
        return 0.5 - 0.5 * np.cos(np.pi * np.clip((f - (edge - skirt / 2)) / skirt, 0.0, 1.0))

    spectrum *= rise(low) * (1.0 - rise(high))
    return np.fft.irfft(spectrum, len(x))


def band(rng_seed, stations, seconds, rate, filter_name, centre, extra=None):
    """Noise and stations summed and filtered: float samples scaled to PEAK. `extra` is a list of
    (samples, amplitude-at-SNR-0 in units of the noise sigma) keyed elsewhere (ebook2cw)."""
    count = int(seconds * rate)
    noise_rng = np.random.default_rng(rng_seed)
    sigma = 1.0
    x = noise_rng.normal(0.0, sigma, count)
    for station in stations:
        x += station.render(count, rate, sigma)
    for samples, snr_db in extra or []:
        amplitude = sigma * math.sqrt(2.0 * 10 ** (snr_db / 10) * SNR_BANDWIDTH_HZ / (rate / 2))
        x[:len(samples)] += amplitude * samples[:count]
    x = receiver_filter(x, rate, *filter_edges(filter_name, centre))
    return x * (PEAK / np.max(np.abs(x)))


def write_wav(path, x, rate):
    """16-bit mono WAV."""
    pcm = np.clip(np.round(x * 32767), -32768, 32767).astype("<i2")
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(pcm.tobytes())


# ---------------------------------------------------------------------------------------------
# Debian's ebook2cw, and what its keying measures

def ebook2cw_render(sent, wpm, hz, rate, pause_s=3.0):
    """The transmissions keyed by ebook2cw (OGG, decoded by sox): float samples with the key's
    full level at 1.0, at `rate`."""
    with tempfile.TemporaryDirectory(prefix="keblor-ebook2cw.") as work:
        text = os.path.join(work, "text.txt")
        with open(text, "w") as f:
            f.write((" |S%d " % int(pause_s * 1000)).join(sent) + "\n")
        edge = str(int(round(EDGE_S * rate)))  # its rise and fall are in samples
        # HOME: it keeps (and on first run writes) a configuration there; the options override it.
        subprocess.run(["ebook2cw", "-O", "-p", "-c", "", "-s", str(rate), "-w", str(wpm), "-f", str(hz),
                        "-R", edge, "-F", edge, "-o", os.path.join(work, "cw"), text],
                       check=True, capture_output=True, env=dict(os.environ, HOME=work))
        raw = subprocess.run(["sox", os.path.join(work, "cw.ogg"), "-t", "f32", "-c", "1", "-r", str(rate), "-"],
                             check=True, capture_output=True).stdout
    x = np.frombuffer(raw, dtype=np.float32).astype(float)
    return x / keying(x, rate)["level"]


def keying(x, rate):
    """Marks and spaces of a clean keyed tone, measured at half its key-down level on the
    analytic envelope: lists of lengths in s, the first key-down in s, the level, and the median
    10-90 % rise time in s."""
    n = len(x)
    spectrum = np.fft.fft(x)
    h = np.zeros(n)
    h[0] = 1.0
    h[1:(n + 1) // 2] = 2.0
    if n % 2 == 0:
        h[n // 2] = 1.0
    env = np.abs(np.fft.ifft(spectrum * h))
    level = np.median(env[env > 0.5 * env.max()])
    on = env > level / 2
    edges = np.flatnonzero(np.diff(on.astype(int))) + 1
    lengths = np.diff(edges) / rate
    rises = []
    for i in edges[0::2]:
        seg = env[max(0, i - int(0.02 * rate)):i + int(0.02 * rate)] / level
        rises.append((np.argmax(seg > 0.9) - np.argmax(seg > 0.1)) / rate)
    return {"marks": lengths[0::2], "spaces": lengths[1::2], "first": edges[0] / rate, "level": level,
            "rise": float(np.median(rises))}


def compare_with_ebook2cw(wpm=25, hz=600, rate=11025):
    """Prints element lengths and rise times of the same text keyed here and by ebook2cw."""
    text = ["PARIS PARIS CQ DE DL1ABC K"]
    down, end = key_intervals(text[0], wpm, 0.1)
    count = int((end + 0.5) * rate)
    ours = envelope(down, count, rate) * np.cos(2 * math.pi * hz * np.arange(count) / rate)
    theirs = ebook2cw_render(text, wpm, hz, rate)
    dot = 1.2 / wpm
    print("%d WPM at %d Hz, %d samples/s; ideal dot %.1f ms, dash %.1f, gaps %.1f / %.1f / %.1f ms" % (
        wpm, hz, rate, 1000 * dot, 3000 * dot, 1000 * dot, 3000 * dot, 7000 * dot))
    for name, x in (("ours", ours), ("ebook2cw", theirs)):
        k = keying(x, rate)
        marks, spaces = k["marks"], k["spaces"]

        def ms(values, lo, hi):
            picked = values[(values > lo * dot) & (values < hi * dot)]
            return "%.1f" % (1000 * np.median(picked)) if len(picked) else "-"

        print("%-9s dot %s ms  dash %s  element gap %s  char gap %s  word gap %s  rise 10-90 %.1f ms  "
              "first key-down %.3f s" % (name, ms(marks, 0.5, 2), ms(marks, 2, 5), ms(spaces, 0.5, 2),
                                          ms(spaces, 2, 5), ms(spaces, 5, 10), 1000 * k["rise"], k["first"]))


if __name__ == "__main__":
    if sys.argv[1:] == ["--compare-ebook2cw"]:
        for w in (20, 25, 40):
            compare_with_ebook2cw(wpm=w)
    else:
        print(__doc__)
