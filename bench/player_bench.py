"""Helpers of bench/run_player_bench.sh.

    player_bench.py make DIR            writes f00.wav ... f19.wav (100 ms each), long.wav (3 s),
                                        m0.wav ... m4.wav (one announcement of mixed formats), and
                                        r00.wav, r01.wav (right channel only) and anchor.wav (left only)
    player_bench.py record RAW STAMPS   copies standard input (the recorder's output) to RAW and
                                        writes "UNIX_SECONDS TOTAL_BYTES" to STAMPS as each piece arrives
    player_bench.py report DIR          lines the recording up with the events and prints the figures

Every file is 44.1 kHz 16-bit stereo noise of its own, as the sound server records,
so that each fragment can be found in the recording bit for bit.
"""
import array
import math
import os
import random
import struct
import subprocess
import sys
import time

RATE, CHANNELS, WIDTH = 44100, 2, 2
FRAME = CHANNELS * WIDTH
BYTES_PER_SECOND = RATE * FRAME


def noise(frames, seed, only=None):
    """Stereo noise; with only=0 or 1 in that channel alone, the other silent."""
    rng = random.Random(seed)
    samples = []
    for i in range(frames * CHANNELS):
        v = rng.randint(-8000, 8000)
        v = v if v != 0 else 1  # no silent sample: the ends of a fragment show
        samples.append(v if only is None or i % CHANNELS == only else 0)
    return struct.pack('<%dh' % len(samples), *samples)


def wave(data):
    fmt = struct.pack('<HHIIHH', 1, CHANNELS, RATE, BYTES_PER_SECOND, FRAME, 8 * WIDTH)
    body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(data)) + data
    return b'RIFF' + struct.pack('<I', len(body)) + body


def make(folder):
    for i in range(20):
        with open(os.path.join(folder, 'f%02d.wav' % i), 'wb') as f:
            f.write(wave(noise(RATE // 10, 1000 + i)))
    with open(os.path.join(folder, 'long.wav'), 'wb') as f:
        f.write(wave(noise(3 * RATE, 999)))
    # The program's two first announcements in the right channel, the yardstick's sound in the left:
    # both are found bit for bit in one recording although they sound at the same time.
    for name, seed, only in (('r00', 2000, 1), ('r01', 2001, 1), ('anchor', 2002, 0)):
        with open(os.path.join(folder, name + '.wav'), 'wb') as f:
            f.write(wave(noise(RATE // 10, seed, only)))
    # One announcement of mixed formats, distinct tones, not faded: an end that clicks shows.
    for i, (rate, options, tone) in enumerate([(8000, ['-b', '8', '-e', 'unsigned'], 300),
                                               (22050, ['-b', '16'], 500),
                                               (44100, ['-b', '16', '-c', '2'], 700),
                                               (48000, ['-b', '32', '-e', 'floating-point'], 900),
                                               (22050, ['-e', 'ima-adpcm'], 1100)]):
        subprocess.run(['sox', '-n', '-r', str(rate)] + options + [os.path.join(folder, 'm%d.wav' % i),
                        'synth', '0.2', 'sine', str(tone), 'vol', '0.5'], check=True)


def record(raw_path, stamps_path):
    total = 0
    with open(raw_path, 'wb') as raw, open(stamps_path, 'w') as stamps:
        while True:
            piece = os.read(0, 1 << 16)
            now = time.time()
            if not piece:
                break
            raw.write(piece)
            total += len(piece)
            stamps.write('%.6f %d\n' % (now, total))


def data_of(path):
    with open(path, 'rb') as f:
        return f.read()[44:]


class Recording:
    def __init__(self, folder):
        with open(os.path.join(folder, 'rec.raw'), 'rb') as f:
            self.raw = f.read()
        self.stamps = []
        with open(os.path.join(folder, 'stamps.txt')) as f:
            for line in f:
                t, total = line.split()
                self.stamps.append((float(t), int(total)))
        self.sizes = [b - a for (_, a), (_, b) in zip([(0, 0)] + self.stamps, self.stamps)]

    def find(self, data, start=0, end=None):
        """The byte offset of data in the recording within [start, end), on a frame boundary; -1 if absent."""
        end = len(self.raw) if end is None else end
        at = self.raw.find(data, start, end)
        while at >= 0 and at % FRAME:
            at = self.raw.find(data, at + 1, end)
        return at

    def time_of(self, offset):
        """Wall-clock time at which the byte at offset sounded. The sink hands out what it plays in
        pieces, each as it starts to play it, and the recorder gets a piece a little later, never
        sooner: the earliest arrival of a piece's start, relative to its position, within a few
        seconds gives the clock of the recording."""
        near = [t - (total - size) / BYTES_PER_SECOND for (t, total), size in zip(self.stamps, self.sizes)
                if abs(total - offset) < 3 * BYTES_PER_SECOND]
        return offset / BYTES_PER_SECOND + min(near)

    def offset_at(self, t):
        """The byte offset that sounded at wall-clock time t (frame boundary)."""
        guess = 0
        for _ in range(3):
            guess = int((t - (self.time_of(guess) - guess / BYTES_PER_SECOND)) * BYTES_PER_SECOND)
            guess = max(0, min(len(self.raw), guess - guess % FRAME))
        return guess

    def last_sound(self, start, end):
        """The offset after the last non-silent frame in [start, end)."""
        zero = b'\0' * FRAME
        at = end - (end - start) % FRAME
        while at > start and self.raw[at - FRAME:at] == zero:
            at -= FRAME
        return at


def channel(raw, which):
    """One channel (0 left, 1 right) of 16-bit stereo bytes, as 16-bit mono bytes."""
    samples = array.array('h')
    samples.frombytes(raw[:len(raw) - len(raw) % FRAME])
    return samples[which::CHANNELS].tobytes()


def first_frame(mono, data, start, end):
    """The frame at which data (16-bit mono) starts in mono within frames [start, end), counting
    frames lost at its start; None if it is not there."""
    at = mono.find(data, 2 * start, 2 * end)
    while at >= 0 and at % 2:
        at = mono.find(data, at + 1, 2 * end)
    if at >= 0:
        return at // 2
    tail = data[-(2 * RATE // 50):]  # not whole: its last 20 ms, then how far back it matches
    at = mono.find(tail, 2 * start, 2 * end)
    while at >= 0 and at % 2:
        at = mono.find(tail, at + 1, 2 * end)
    if at < 0:
        return None
    head = len(data) - len(tail)
    missing = head
    while missing > 0 and mono[at - (head - missing) - 2:at - (head - missing)] == data[missing - 2:missing]:
        missing -= 2
    return (at - head) // 2


def ms(n_bytes):
    return 1000.0 * n_bytes / BYTES_PER_SECOND


def place_list(rec, fragments, start, end):
    """For each fragment: (first byte, end byte, missing bytes at its start), found in order
    within [start, end), or None."""
    places = []
    at = start
    for data in fragments:
        pos = rec.find(data, at, end)
        if pos >= 0:
            places.append((pos, pos + len(data), 0))
            at = pos + len(data)
            continue
        # Not whole: find its last 20 ms, then how far back it matches.
        tail = data[-(BYTES_PER_SECOND // 50):]
        pos = rec.find(tail, at, end)
        if pos < 0:
            places.append(None)
            continue
        head = len(data) - len(tail)
        missing = head
        while missing > 0 and rec.raw[pos - (head - missing) - FRAME:pos] == data[missing - FRAME:head]:
            missing -= FRAME
        places.append((pos - (head - missing), pos + len(tail), missing))
        at = pos + len(tail)
    return places


def summary(values):
    values = sorted(values)
    return 'median %.1f ms, min %.1f, max %.1f' % (values[len(values) // 2], values[0], values[-1])


def zero_run_before_end(rec, start, end):
    """For the sound in [start, end): the longest run of silent frames (>= 0.5 ms) within its last
    50 ms, in ms, and how many frames of sound follow that run; (0, 0) when there is none."""
    last = rec.last_sound(start, end)
    zero = b'\0' * FRAME
    at, best = last - FRAME, (0, 0)
    limit = max(start, last - BYTES_PER_SECOND // 20)
    while at > limit:
        run_end = at
        while at > limit and rec.raw[at:at + FRAME] == zero:
            at -= FRAME
        if run_end - at >= BYTES_PER_SECOND // 2000 and ms(run_end - at) > best[0]:
            best = (ms(run_end - at), (last - run_end) // FRAME)
        at -= FRAME
    return best


def first_sound(rec, start, end):
    """The offset of the first non-silent frame in [start, end), or None."""
    zero = b'\0' * FRAME
    at = start - start % FRAME
    while at < end and rec.raw[at:at + FRAME] == zero:
        at += FRAME
    return at if at < end else None


def peak_dbfs(rec, start, end):
    samples = array.array('h')
    samples.frombytes(rec.raw[start:end])
    return 20 * math.log10(max(1, max(abs(v) for v in samples)) / 32768.0)


def exact_until(rec, data, at):
    """Where the recording stops matching data placed at offset at (frame boundary)."""
    step = FRAME * 441
    n = 0
    while n < len(data) and rec.raw[at + n:at + n + step] == data[n:n + step]:
        n += step
    while n < len(data) and rec.raw[at + n:at + n + FRAME] == data[n:n + FRAME]:
        n += FRAME
    return at + n


LONG_PIECE = BYTES_PER_SECOND * 3 // 10


def long_file_end(rec, long_data, t, before, after):
    """Where long.wav starts in the recording (found by a piece from 0.3 s in, within `before` s
    before t) and where its sound ends (at most `after` s after t): (head, end), or None."""
    pos = rec.find(long_data[LONG_PIECE:LONG_PIECE + BYTES_PER_SECOND // 10],
                   rec.offset_at(t - before), rec.offset_at(t))
    if pos < 0:
        return None
    head = pos - LONG_PIECE
    return head, rec.last_sound(pos, min(len(rec.raw), head + len(long_data), rec.offset_at(t + after)))


def report(folder):
    rec = Recording(folder)
    events = {}
    with open(os.path.join(folder, 'events.txt')) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 3:  # from a run of its own: "NAME UNIX_SECONDS RUN"
                events['%s.%s' % (parts[0], parts[2])] = float(parts[1])
            elif len(parts) == 2:
                events[parts[0]] = float(parts[1])
    fragments = [data_of(os.path.join(folder, 'f%02d.wav' % i)) for i in range(20)]
    print('recording: %.1f s' % (len(rec.raw) / BYTES_PER_SECOND))

    for label, event in (('per-file PlaySound', 'playsound_list'), ('our player', 'player_list')):
        if event not in events:
            continue
        start = rec.offset_at(events[event] - 0.3)
        end = rec.offset_at(events[event + '_end'] + 0.3)
        places = place_list(rec, fragments, start, end)
        found = [p for p in places if p]
        whole = sum(1 for p in found if p[2] == 0)
        gaps = [ms(b[0] - b[2] - a[1]) for a, b in zip(places, places[1:]) if a and b]
        lost = [ms(p[2]) for p in found]
        joined = rec.find(b''.join(fragments), start, end) >= 0
        print('%s: %d of 20 fragments found, %d of them whole and bit-exact; all 20 joined without a gap: %s' %
              (label, len(found), whole, 'yes' if joined else 'no'))
        if gaps:
            print('  silence between fragments: %s (total %.1f ms)' % (summary(gaps), sum(gaps)))
        if any(lost):
            print('  lost at fragment starts: %s; at which fragments: %s' %
                  (summary(lost), ' '.join('f%02d' % i for i, p in enumerate(places) if p and p[2])))

    for start, label, prefix in (('call', 'per-file PlaySound', 'playsound_single'),
                                 ('call', 'our player', 'player_single'),
                                 ('key press (hotkey)', 'our player', 'press_single')):
        latencies, lost = [], []
        for i in range(5):
            t = events.get('%s%d' % (prefix, i))
            if t is None:
                continue
            place = place_list(rec, fragments[:1], rec.offset_at(t - 0.1), rec.offset_at(t + 0.4))[0]
            if place:
                latencies.append(1000.0 * (rec.time_of(place[0] - place[2]) - t))
                lost.append(ms(place[2]))
        if latencies:
            print('%s to first sample, %s: %s; lost at the start: %s' %
                  (start, label, summary(latencies), summary(lost)))

    # The program's clicks: its sound in the right channel, the yardstick's (a waveOut stream open
    # and written at the click) in the left.
    left, right = channel(rec.raw, 0), channel(rec.raw, 1)
    anchor = channel(data_of(os.path.join(folder, 'anchor.wav')), 0)
    for label, event, name in (('first click on ">" after Start', 'first_click', 'r00'),
                               ('the next click', 'warm_click', 'r01')):
        latencies, behind = [], []
        sound = channel(data_of(os.path.join(folder, name + '.wav')), 1)
        for run in range(5):
            t = events.get('%s.%d' % (event, run))
            if t is None:
                continue
            start, end = rec.offset_at(t - 0.1) // FRAME, rec.offset_at(t + 0.5) // FRAME
            frame = first_frame(right, sound, start, end)
            if frame is None:
                print('the program, %s (run %d): its sound was not found' % (label, run))
                continue
            latencies.append(1000.0 * (rec.time_of(frame * FRAME) - t))
            yardstick = first_frame(left, anchor, start, end)
            if yardstick is not None:
                behind.append(1000.0 * (frame - yardstick) / RATE)
        if latencies:
            print('the program, %s to first sample: %s' % (label, summary(latencies)))
        if behind:
            print('  behind a waveOut stream open and written at the click: %s (%s)' %
                  (summary(behind), ', '.join('%.1f' % b for b in behind)))

    gaps = []
    for i in range(100):
        t, t_end = events.get('mixed%d' % i), events.get('mixed_end%d' % i)
        if t is None or t_end is None:
            continue
        gap, after = zero_run_before_end(rec, rec.offset_at(t - 0.1), rec.offset_at(t_end + 0.3))
        gaps.append(gap)
        if gap:
            print('mixed announcement %d: %.1f ms of silence before its last %d frames' % (i, gap, after))
    if gaps:
        print('mixed announcement, end: %d of %d runs with silence before the last samples' %
              (sum(1 for g in gaps if g), len(gaps)))

    long_data = data_of(os.path.join(folder, 'long.wav'))
    closes = []
    for run in range(5):
        t = events.get('close.%d' % run)
        if t is None:
            continue
        found = long_file_end(rec, long_data, t, 2.5, 3)
        if found is None:
            print('close %d: the long file was not found' % run)
            continue
        closes.append(1000.0 * (rec.time_of(found[1]) - t))
    if closes:
        print('the window closed (WM_CLOSE) during an announcement, to silence: %s' % summary(closes))

    stops = []
    for i in range(3):
        t = events.get('player_stop%d' % i)
        if t is None:
            continue
        found = long_file_end(rec, long_data, t, 1.5, 0.3)
        if found is None:
            print('stop %d: the long file was not found' % i)
            continue
        head, end = found
        exact = rec.raw[head + LONG_PIECE:end] == long_data[LONG_PIECE:end - head]
        stops.append(1000.0 * (rec.time_of(end) - t))
        idle = 1000.0 * (events.get('player_stopped%d' % i, t) - t)
        print('stop %d: sound ends %.1f ms after Stop (%s up to there); idle callback after %.1f ms' %
              (i, stops[-1], 'bit-exact' if exact else 'NOT bit-exact', idle))
    if stops:
        print('Stop to silence: %s' % summary(stops))

    for label, event in (('step', 'cue_step'), ('nothing moved', 'cue_nothing')):
        lengths, peaks, delays = [], [], []
        for i in range(5):
            t = events.get('%s%d' % (event, i))
            if t is None:
                continue
            first = first_sound(rec, rec.offset_at(t - 0.05), rec.offset_at(t + 0.3))
            if first is None:
                print('cue %s %d: not heard' % (label, i))
                continue
            end = rec.last_sound(first, rec.offset_at(t + 0.3))
            lengths.append(ms(end - first))
            peaks.append(peak_dbfs(rec, first, end))
            delays.append(1000.0 * (rec.time_of(first) - t))
        if lengths:
            print('cue "%s" at the sink: %s long, peak %s dBFS; call to first sample %s' %
                  (label, summary(lengths), ', '.join('%.1f' % p for p in peaks), summary(delays)))
    t = events.get('cue_over')
    if t is not None:
        tail = long_data[-BYTES_PER_SECOND // 5:]
        played_on = rec.find(tail, rec.offset_at(t), rec.offset_at(t + 3.5)) >= 0
        print('cue over an announcement: the announcement plays on to its end: %s' % ('yes' if played_on else 'NO'))

    cancels, cues = [], []
    for i in range(3):
        t = events.get('player_cancel%d' % i)
        if t is None:
            continue
        found = long_file_end(rec, long_data, t, 1.5, 0.3)
        if found is None:
            print('cancel %d: the long file was not found' % i)
            continue
        silent_from = exact_until(rec, long_data, found[0])
        cancels.append(1000.0 * (rec.time_of(silent_from) - t))
        cue = first_sound(rec, silent_from, rec.offset_at(t + 0.5))
        waiting = rec.find(fragments[0][-BYTES_PER_SECOND // 20:], silent_from, rec.offset_at(t + 1.5)) >= 0
        gap = '-' if cue is None else '%.1f ms' % ms(cue - silent_from)
        print('cancel %d: sound ends %.1f ms after Cancel, then %s of silence before the cue; '
              'the announcement waiting after it plays: %s' % (i, cancels[-1], gap, 'yes' if waiting else 'NO'))
    if cancels:
        print('Cancel of the announcement that sounds, to silence: %s' % summary(cancels))


if __name__ == '__main__':
    command = sys.argv[1] if len(sys.argv) > 1 else ''
    if command == 'make':
        make(sys.argv[2])
    elif command == 'record':
        record(sys.argv[2], sys.argv[3])
    elif command == 'report':
        report(sys.argv[2])
    else:
        sys.exit(__doc__)
