#!/usr/bin/env python3
"""Loudness of a 16-bit WAV written by solmire-music --wav: peak and RMS in dBFS over the whole
file and per stretch (one pattern of the soundtrack, 7.68 s, unless given), and how many samples
reached full scale.

    levels.py FILE.wav [SECONDS_PER_STRETCH]
"""
import array
import math
import sys
import wave


def db(level):
    return 20 * math.log10(max(level, 1) / 32767)


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    with wave.open(sys.argv[1]) as w:
        if w.getsampwidth() != 2:
            print("levels.py: 16-bit WAV files only", file=sys.stderr)
            return 1
        rate, channels = w.getframerate(), w.getnchannels()
        data = array.array("h")
        data.frombytes(w.readframes(w.getnframes()))
    if sys.byteorder == "big":
        data.byteswap()
    if not data:
        print("levels.py: no audio", file=sys.stderr)
        return 1
    stretch = float(sys.argv[2]) if len(sys.argv) == 3 else 7.68
    step = max(1, int(stretch * rate)) * channels

    def rms(values):
        return math.sqrt(sum(v * v for v in values) / len(values))

    peak = max(abs(v) for v in data)
    clipped = sum(1 for v in data if abs(v) >= 32767)
    print("whole: %.1f s  peak %.1f dBFS  rms %.1f dBFS  clipped samples %d"
          % (len(data) / channels / rate, db(peak), db(rms(data)), clipped))
    for start in range(0, len(data), step):
        part = data[start:start + step]
        print("%7.2f s  peak %6.1f dBFS  rms %6.1f dBFS"
              % (start / channels / rate, db(max(abs(v) for v in part)), db(rms(part))))
    return 0


if __name__ == "__main__":
    sys.exit(main())
