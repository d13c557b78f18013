#!/usr/bin/env python3
"""Fault harness for brelk's card writes, on a card of 65,535 catalogue entries.

Random kills: put, rm, rm --permanent, purge, squash and format are started on the card and
killed (SIGKILL) at a random moment; after each kill 'brelk check' must find the catalogue
whole. A torn catalogue is counted, repaired with 'check --repair' and counted again if the
repair fails. Two writers: pairs of 'brelk put' are started together; every put that reported
success must be listed afterwards.

Usage: scripts/fault-harness.py [--brelk build/cli/brelk] [--kills 200] [--pairs 20]
       [--checker BRELK]   (another brelk to run the checks with, e.g. to measure an older one)
The errors at every write and sync of a command (through the system-call seam), short writes
and smaller kill runs are in the unit tests (test_card, test_cli).
"""
import argparse
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import time

BLOCK = 512
ZONE = 8192
ENTRIES = 65535
DELETED = 1000
DISCS = 50
DISC_SIZE = 204800
SPARE = 8 << 20  # free room for puts


def dfs_disc():
    """A full 80-track DFS side holding one file of 256 bytes."""
    disc = bytearray(DISC_SIZE)
    disc[0:8] = b"HARNESS "
    disc[8:16] = b"FILE   $"
    disc[256:260] = b"    "
    disc[256 + 5] = 8  # one file
    disc[256 + 6] = 0x03  # 800 sectors: high bits
    disc[256 + 7] = 0x20
    disc[256 + 8:256 + 16] = struct.pack("<HHHBB", 0x1900, 0x1900, 0x100, 0, 2)
    disc[512:768] = bytes([0x5A]) * 256
    return bytes(disc)


def make_card(path):
    """Writes a card image with 65,535 entries: tools, deleted objects and DFS discs."""
    objects = [(0, 0, "D%05d" % i, bytes([i & 0xFF]) * BLOCK) for i in range(DELETED)]
    disc = dfs_disc()
    objects += [(3, 1, "DISC%02d" % i, disc) for i in range(DISCS)]
    tools = ENTRIES - DELETED - DISCS
    objects += [(2, 0, "T%05d" % i, bytes([i & 0xFF]) * BLOCK) for i in range(tools)]
    objects.sort(key=lambda o: (o[0], o[1], o[2].upper()))
    catalogue_end = -(-(512 + 64 * ENTRIES) // BLOCK) * BLOCK
    used = sum(512 + len(o[3]) for o in objects)
    size = catalogue_end + used + SPARE + ZONE
    size = -(-size // BLOCK) * BLOCK
    limit = size - ZONE
    entries = bytearray()
    with open(path, "wb") as card:
        card.truncate(size)
        at = limit
        for kind, subtype, name, data in objects:
            at -= 512 + len(data)
            entry = struct.pack("<BBHIII48s", kind, subtype, 0, at + 512, len(data), 0,
                                name.encode())
            entries += entry
            card.seek(at)
            card.write(b"BrelkEnt" + bytes(8) + entry + bytes(432) + data)
        header = b"BrelkCat" + bytes(8) + struct.pack("<II", len(objects), at)
        card.seek(0)
        card.write(header + bytes(512 - len(header)) + entries)


def run(brelk, *args, timeout=120):
    return subprocess.run([brelk, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=timeout)


class Harness:
    def __init__(self, brelk, checker, folder):
        self.brelk = brelk
        self.checker = checker
        self.card = os.path.join(folder, "card.img")
        self.folder = folder
        self.serial = 0
        self.torn = self.unrepaired = self.kills = 0
        self.durations = {}

    def command(self, kind):
        """The arguments of one command of Kind on the card as it is now."""
        self.serial += 1
        if kind == "put":
            data = os.path.join(self.folder, "put.bin")
            with open(data, "wb") as f:
                f.write(os.urandom(random.randint(1, 40000)))
            return ["put", self.card, data, "--name", "P%06d" % self.serial]
        if kind in ("rm", "rm-permanent"):
            name = "T%05d" % random.randrange(ENTRIES - DELETED - DISCS)
            return ["rm", self.card, name] + (["--permanent"] if kind == "rm-permanent" else [])
        if kind == "squash":
            return ["squash", self.card, "DISC%02d" % random.randrange(DISCS)]
        return [kind, self.card] + (["--force"] if kind == "format" else [])

    def duration(self, kind):
        if kind not in self.durations:
            shutil.copy(self.card, self.card + ".probe")
            start = time.monotonic()
            args = self.command(kind)
            args[1] = self.card + ".probe"
            run(self.brelk, *args)
            self.durations[kind] = max(time.monotonic() - start, 0.01)
            os.unlink(self.card + ".probe")
        return self.durations[kind]

    def kill_once(self, kind):
        delay = random.uniform(0, 1.2 * self.duration(kind))
        process = subprocess.Popen([self.brelk, *self.command(kind)], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        time.sleep(delay)
        process.kill()
        process.wait()
        self.kills += 1
        if run(self.checker, "check", self.card).returncode != 0:
            self.torn += 1
            if run(self.checker, "check", self.card, "--repair").returncode != 0:
                self.unrepaired += 1
                make_card(self.card)

    def two_writers(self, pairs):
        added = lost = refused = failed = 0
        for pair in range(pairs):
            runs = []
            for w in range(2):
                data = os.path.join(self.folder, "w%d.bin" % w)
                with open(data, "wb") as f:
                    f.write(os.urandom(5000 + w))
                name = "W%04d%d" % (pair, w)
                runs.append((name, subprocess.Popen(
                    [self.brelk, "put", self.card, data, "--name", name],
                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)))
            errors = {name: process.communicate()[1].decode() for name, process in runs}
            listing = run(self.brelk, "ls", self.card).stdout.decode()
            for name, process in runs:
                if process.returncode == 0:
                    added += 1
                    lost += name not in listing
                elif "is in use by another program" in errors[name]:
                    refused += 1
                else:
                    failed += 1
        return added, refused, failed, lost


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--brelk", default="build/cli/brelk")
    parser.add_argument("--kills", type=int, default=200)
    parser.add_argument("--pairs", type=int, default=20)
    parser.add_argument("--checker", default=None)
    parser.add_argument("--seed", type=int, default=1)
    options = parser.parse_args()
    random.seed(options.seed)
    with tempfile.TemporaryDirectory() as folder:
        # A copy, so that a rebuild meanwhile does not disturb the run.
        brelk = shutil.copy(os.path.abspath(options.brelk), os.path.join(folder, "brelk"))
        checker = shutil.copy(os.path.abspath(options.checker or options.brelk),
                              os.path.join(folder, "checker"))
        os.environ["XDG_STATE_HOME"] = os.path.join(folder, "state")
        harness = Harness(brelk, checker, folder)
        make_card(harness.card)
        kinds = ["put", "rm", "rm-permanent", "purge", "squash"]
        formats = max(1, options.kills // 10)
        for i in range(options.kills - formats):
            harness.kill_once(random.choice(kinds))
        for i in range(formats):
            harness.kill_once("format")
            make_card(harness.card)
        print("random kills: %d (format: %d), torn catalogues: %d, not repaired: %d"
              % (harness.kills, formats, harness.torn, harness.unrepaired))
        print("command times (s): " + ", ".join("%s %.3f" % kv for kv in
                                                sorted(harness.durations.items())))
        make_card(harness.card)
        run(brelk, "purge", harness.card)  # room for the new entries
        added, refused, failed, lost = harness.two_writers(options.pairs)
        print("two writers: %d pairs, %d added, %d refused at once, %d failed otherwise, %d lost"
              % (options.pairs, added, refused, failed, lost))
        return 0 if harness.torn == 0 and lost == 0 and failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
