"""The clicks of the wizard and of the progress screen, as RIFF WAVE images."""

import struct

import numpy as np


def wave(samples, rate, bits, list_chunk=b""):
    """RIFF WAVE image: "fmt " (16-byte PCM), "data", then an optional trailing chunk."""
    block = bits // 8
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * block, block, bits)
    body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
            + b"data" + struct.pack("<I", len(samples)) + samples + list_chunk)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def info_list_chunk(fields):
    """A "LIST"/"INFO" chunk from (tag, text) pairs; texts are zero-terminated, padded even."""
    payload = b"INFO"
    for tag, text in fields:
        data = text.encode("ascii") + b"\0"
        if len(data) % 2:
            data += b"\0"
        payload += tag.encode("ascii") + struct.pack("<I", len(data)) + data
    return b"LIST" + struct.pack("<I", len(payload)) + payload


def click_samples(rate, count, partials, thump, seed, noise_decay=0.004):
    """A struck-bronze click: a short filtered noise tap, inharmonic ringing and a low thump."""
    rng = np.random.default_rng(seed)
    t = np.arange(count) / rate
    tap = rng.uniform(-1, 1, count)
    tap = np.convolve(tap, np.ones(3) / 3, mode="same") * np.exp(-t / noise_decay)
    ring = sum(a * np.sin(2 * np.pi * f * t + p) * np.exp(-t / tau) for f, tau, a, p in partials)
    low = thump[1] * np.sin(2 * np.pi * thump[0] * t) * np.exp(-t / thump[2])
    s = 0.8 * tap + ring + low
    attack = np.clip(t / 0.0006, 0, 1)
    release = np.clip((t[-1] - t) / 0.012, 0, 1)
    s = s * attack * release
    return s / np.max(np.abs(s))


def click_wave():
    """Welcome screen click: PCM, mono, 11025 Hz, 16-bit, 4216 data bytes (4260-byte file)."""
    s = click_samples(11025, 2108, [(1480, 0.030, 0.55, 0.3), (2350, 0.020, 0.35, 1.1),
                                    (3720, 0.011, 0.25, 2.0), (610, 0.045, 0.3, 0.7)],
                      (150, 0.35, 0.025), seed=11)
    data = np.round(s * 0.7 * 32767).astype("<i2").tobytes()
    return wave(data, 11025, 16)


def progress_wave():
    """Progress screen click: PCM, mono, 22050 Hz, 8-bit, 4608 data bytes and a LIST chunk
    (4734-byte file): a deeper stone-and-bronze knock."""
    s = click_samples(22050, 4608, [(420, 0.06, 0.5, 0.2), (1130, 0.04, 0.4, 0.9),
                                    (2210, 0.025, 0.25, 1.7), (3050, 0.015, 0.2, 2.6)],
                      (95, 0.5, 0.04), seed=12, noise_decay=0.006)
    data = (np.round(s * 0.72 * 127) + 128).astype(np.uint8).tobytes()
    listing = info_list_chunk([("ISFT", "MVT Setup artwork generator"),
                               ("INAM", "Morvath Trilogy progress.")])
    return wave(data, 22050, 8, listing)


def add_sounds(out):
    """Adds the two clicks."""
    out.raw("WAVE_CLICK", "click.wav", click_wave(), "4260 bytes",
            "RIFF WAVE PCM mono 11025 Hz 16-bit, 4216 data bytes",
            "TForm1 SkWave1: the click of every wizard screen")
    out.raw("WAVE_PROGRESS", "progress.wav", progress_wave(), "4734 bytes",
            "RIFF WAVE PCM mono 22050 Hz 8-bit, 4608 data bytes + LIST chunk",
            "TForm10 SkWave1 (close request during the installation)")
