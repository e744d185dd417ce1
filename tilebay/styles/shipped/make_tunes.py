#!/usr/bin/env python3
"""Writes the start-up tunes of the shipped styles as Standard MIDI Files.

Format 0 (one track), 480 ticks per quarter note, General MIDI instruments,
a few seconds each. The files are committed beside this script; run it again
after changing a tune:

    python3 make_tunes.py [OUTPUT_FOLDER]     (default: this script's folder)
"""

import os
import struct
import sys

TICKS = 480  # per quarter note


def var_len(value):
    """A MIDI variable-length quantity."""
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append((value & 0x7F) | 0x80)
        value >>= 7
    return bytes(reversed(out))


def tune(bpm, voices):
    """voices: list of (channel, program, volume, notes); notes are
    (start_beat, length_beats, key, velocity). Returns the file's bytes."""
    events = []  # (tick, order, bytes); note-offs sort before note-ons
    for channel, program, volume, notes in voices:
        events.append((0, 0, bytes([0xC0 | channel, program])))
        events.append((0, 0, bytes([0xB0 | channel, 7, volume])))
        for start, length, key, velocity in notes:
            on = round(start * TICKS)
            off = round((start + length) * TICKS)
            events.append((on, 2, bytes([0x90 | channel, key, velocity])))
            events.append((off, 1, bytes([0x80 | channel, key, 0])))
    events.sort(key=lambda e: (e[0], e[1]))
    tempo = 60_000_000 // bpm
    track = b"\x00\xff\x51\x03" + tempo.to_bytes(3, "big")
    now = 0
    for tick, _, data in events:
        track += var_len(tick - now) + data
        now = tick
    track += var_len(TICKS) + b"\xff\x2f\x00"  # a beat of silence, then the end
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, TICKS)
    return header + b"MTrk" + struct.pack(">I", len(track)) + track


def arpeggio(start, chord, step, velocity):
    return [(start + i * step, step * 1.5, key, velocity) for i, key in enumerate(chord)]


def ocean():
    # Vibraphone rising over a soft string pad: C, A minor, F, G.
    melody = []
    for bar, chord in enumerate([(60, 64, 67, 72), (57, 60, 64, 69), (53, 57, 60, 65), (55, 59, 62, 67)]):
        melody += arpeggio(bar * 2, chord, 0.5, 90)
    pad = [(bar * 2, 2, root, 60) for bar, root in enumerate([48, 45, 41, 43])]
    pad.append((8, 1.5, 48, 70))
    melody.append((8, 1.5, 72, 100))
    return tune(120, [(0, 11, 100, melody), (1, 48, 80, pad)])


def forest():
    # A flute tune with pizzicato strings beneath, in G major.
    flute_keys = [67, 71, 74, 72, 71, 69, 67, 66, 67]
    lengths = [0.5, 0.5, 1, 0.5, 0.5, 0.5, 0.5, 1, 2]
    flute, beat = [], 0.0
    for key, length in zip(flute_keys, lengths):
        flute.append((beat, length, key, 96))
        beat += length
    strings = [(i * 1.0, 0.5, key, 70) for i, key in enumerate([43, 50, 47, 50, 48, 52, 50, 43])]
    return tune(132, [(0, 73, 110, flute), (1, 45, 90, strings)])


def ember():
    # Marimba figure and a warm brass chord at the close, in D minor.
    figure = []
    for rep, base in enumerate([62, 65, 69, 67]):
        figure += arpeggio(rep * 1.5, (base, base + 3, base + 7), 0.5, 95)
    brass = [(6, 2.5, key, 80) for key in (50, 57, 62, 65)]
    return tune(110, [(0, 12, 110, figure), (1, 61, 85, brass)])


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for folder, data in (("Ocean", ocean()), ("Forest", forest()), ("Ember", ember())):
        os.makedirs(os.path.join(out, folder), exist_ok=True)
        with open(os.path.join(out, folder, "startup.mid"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
