#!/usr/bin/env python3
"""Assembles the text orvex-cli generates for every device of a device library with gpasm and
compares the configuration words in the hex output with the words the header's symbols give.

For each device and each style (new, old) two texts are checked: the default choices, and one
non-default option chosen in every setting. Exit status 0 when every device outside the list of
known failures passes; the report names each failure and why."""

import argparse
import os
import re
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

KEY = (b"Nblo iujyl wuumiy vlz m mzyw ycqsk lc; chxx each one with care "
       b"and read the data sheet twice (\xa7 42).")
EQU = re.compile(r"^\s*(_\w+)\s+EQU\s+H'([0-9A-Fa-f]+)'", re.M)


def unscramble(data):
    out = bytearray(len(data))
    for k, b in enumerate(data):
        i = (k + 1) % len(KEY)
        out[k] = (~b ^ (KEY[i - 1] if i else 0)) & 0xFF
    return bytes(out)


def decode(data):
    if data.startswith(b"\xef\xbb\xbf"):
        return data[3:].decode("utf-8")
    return data.decode("cp1252", errors="replace")


class Option:
    def __init__(self, text):
        self.text = text
        self.attrs = {}

    def attr(self, key):
        return self.attrs.get(key, "")


def read_tree(path):
    """[(register, [(setting, [Option])])] from a .cfgtree file."""
    with open(path, "rb") as f:
        lines = decode(unscramble(f.read())).split("\n")
    registers = []
    option = None
    for line in lines[1:]:
        if not line:
            continue
        depth = len(line) - len(line.lstrip("\t "))
        text = line[depth:]
        if depth == 1:
            registers.append((text, []))
        elif depth == 2:
            registers[-1][1].append((text, []))
        elif depth == 3:
            option = Option(text)
            registers[-1][1][-1][1].append(option)
        elif depth == 4 and " = " in text:
            key, value = text.split(" = ", 1)
            option.attrs.setdefault(key, value)
    for _, settings in registers:
        for _, options in settings:
            options[:] = [o for o in options if o.attrs]  # a setting's "desc = ..." line
    return registers


def read_hex(text):
    memory = {}
    base = 0
    for line in text.splitlines():
        if not line.startswith(":"):
            continue
        raw = bytes.fromhex(line[1:])
        count, address, kind = raw[0], (raw[1] << 8) | raw[2], raw[3]
        if kind == 0:
            for i in range(count):
                memory[base + address + i] = raw[4 + i]
        elif kind == 4:
            base = ((raw[4] << 8) | raw[5]) << 16
    return memory


class Device:
    def __init__(self, name, args):
        self.name = name
        self.args = args
        self.header = os.path.join(args.headers, "p" + name.lower() + ".inc")
        with open(self.header, encoding="latin-1") as f:
            self.symbols = {m.group(1): int(m.group(2), 16) for m in EQU.finditer(f.read())}
        self.registers = read_tree(os.path.join(args.data, "PIC", "PIC" + name + ".cfgtree"))
        self.byte_wide = name.startswith("18")
        self._table = None

    def table(self):
        """gpasm's own words for the device: {setting: (address, {value: bits})}."""
        if self._table is None:
            self._table = {}
            out = subprocess.run([self.args.gpasm, "-s", "-p", self.name.lower()],
                                 capture_output=True, text=True).stdout
            address = None
            for line in out.splitlines():
                m = re.match(r"\s+Config Word\s*:\s*address = 0x([0-9A-Fa-f]+)", line)
                if m:
                    address = int(m.group(1), 16)
                m = re.match(r"\s+Directive:\s*(\S+)", line)
                if m:
                    directive = self._table.setdefault(m.group(1), (address, {}))
                m = re.match(r"\s+Option:\s*(\S+)\s*=\s*0x([0-9A-Fa-f]+)", line)
                if m:
                    directive[1][m.group(1)] = int(m.group(2), 16)
        return self._table

    def value(self, option):
        symbol = option.attr("__config") or option.attr("legacy")
        return self.symbols.get(symbol)

    def address(self, register):
        if "_" + register in self.symbols:
            return self.symbols["_" + register]
        if len(self.registers) == 1:
            out = subprocess.run([self.args.gpasm, "-s", "-p", self.name], capture_output=True,
                                 text=True).stdout
            m = re.search(r"Config Word\s*:\s*address = 0x([0-9A-Fa-f]+)", out)
            if m:
                return int(m.group(1), 16)
        return None

    def word(self, memory, address):
        if self.byte_wide:
            return memory.get(address)
        lo, hi = memory.get(2 * address), memory.get(2 * address + 1)
        return None if lo is None or hi is None else lo | (hi << 8)

    def written(self, style, chosen):
        """The options generation writes: the chosen one, else the chip default."""
        result = []
        for register, settings in self.registers:
            for setting, options in settings:
                if setting in chosen:
                    result.append((register, setting, options, chosen[setting]))
                    continue
                defaults = [o for o in options if o.attr("default") == "true"]
                if style == "new":
                    defaults = [o for o in defaults[:1] if o.attr("config")]
                for o in defaults:
                    result.append((register, setting, options, o))
        return result

    def generate(self, style, chosen):
        command = [self.args.cli, "--data", self.args.data, "generate", self.name,
                   "--tessel3", "off", "--headers", "off"]
        if style == "old":
            command += ["--style", "old"]
        for setting, option in chosen.items():
            command += ["--choose", setting + "=" + option.text]
        run = subprocess.run(command, capture_output=True, text=True)
        if run.returncode != 0:
            raise Failure("orvex-cli failed: " + run.stderr.strip())
        return [l for l in run.stdout.split("\n") if l not in ("ASM", "ENDASM")]

    def assemble(self, lines, workdir, tag):
        source = os.path.join(workdir, tag + ".asm")
        with open(source, "w", encoding="utf-8") as f:
            f.write("    LIST p=%s\n    #include <p%s.inc>\n" % (self.name, self.name.lower()))
            f.write("\n".join(lines) + "\n    END\n")
        run = subprocess.run([self.args.gpasm, "-I", self.args.headers, "-o",
                              os.path.join(workdir, tag + ".hex"), source],
                             capture_output=True, text=True, cwd=workdir)
        if run.returncode != 0:
            errors = [l for l in run.stdout.splitlines() + run.stderr.splitlines()
                      if "Error" in l]
            raise Failure("gpasm: " + (errors[0] if errors else "exit %d" % run.returncode))
        with open(os.path.join(workdir, tag + ".hex")) as f:
            return read_hex(f.read())

    def expectation(self, register, setting, options, option):
        """(address, field mask, bits) of an option, from the header's symbols or, for a header
        that defines none, from gpasm's table."""
        values = [self.value(o) for o in options]
        if None not in values and self.value(option) is not None:
            mask = 0
            for v in values:
                mask |= v ^ values[0]
            return self.address(register), mask, self.value(option)
        value = option.attr("config").partition(" = ")[2]
        if setting not in self.table() or value not in self.table()[setting][1]:
            raise Failure("no value for %s = %s in the header or in gpasm's table"
                          % (setting, value))
        address, bits = self.table()[setting]
        mask = 0
        for v in bits.values():
            mask |= v
        return address, mask, bits[value]

    def check(self, style, chosen, workdir, tag):
        """None when the text assembles to the expected words, "n/a" when the device has no
        text in this style."""
        lines = self.generate(style, chosen)
        if style == "old" and "Old Style __config not available for this MCU" in lines:
            return "n/a"
        if style == "new" and not any(l.strip() for l in lines):
            return "n/a"
        memory = self.assemble(lines, workdir, tag)
        expected = {}
        for register, setting, options, option in self.written(style, chosen):
            address, mask, bits = self.expectation(register, setting, options, option)
            if address is None and len(self.registers) == 1 and memory:
                # Neither the header nor gpasm names the word's address: it is the only data.
                address = min(memory) if self.byte_wide else min(memory) // 2
            if address is None:
                raise Failure("no address for " + register)
            word_mask, word_bits = expected.get(address, (0, ~0))
            expected[address] = (word_mask | mask, word_bits & (bits | ~mask))
        for address, (mask, bits) in sorted(expected.items()):
            found = self.word(memory, address)
            if found is None:
                raise Failure("no word at %X in the hex output" % address)
            if (found & mask) != (bits & mask):
                raise Failure("word at %X is %04X, expected %04X under mask %04X"
                              % (address, found, bits & mask, mask))
        return None

    def non_default_choices(self, style):
        chosen = {}
        names = [s for _, settings in self.registers for s, _ in settings]
        for _, settings in self.registers:
            for setting, options in settings:
                if names.count(setting) > 1:
                    continue  # --choose reaches only the first setting of a name
                key = "config" if style == "new" else "__config"
                for o in options:
                    if o.attr("default") != "true" and o.attr(key):
                        chosen[setting] = o
                        break
        return chosen


class Failure(Exception):
    pass


def check_device(name, args):
    results = {}
    try:
        device = Device(name, args)
    except (OSError, IndexError, AttributeError) as e:
        return name, {"new": "cannot read: %s" % e, "old": "cannot read: %s" % e}
    with tempfile.TemporaryDirectory() as workdir:
        for style in ("new", "old"):
            try:
                results[style] = (device.check(style, {}, workdir, style + "-default") or
                                  device.check(style, device.non_default_choices(style),
                                               workdir, style + "-chosen"))
            except Failure as e:
                results[style] = str(e)
    return name, results


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--headers", default="/usr/share/gputils/header")
    parser.add_argument("--gpasm", default="gpasm")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--known-failures", help="file of 'DEVICE STYLE reason' lines")
    parser.add_argument("devices", nargs="*", help="only these devices")
    args = parser.parse_args()

    with open(os.path.join(args.data, "PIC", "DEVICES.txt"), encoding="latin-1") as f:
        names = [l[3:] for l in f.read().splitlines() if l.startswith("PIC")]
    if args.devices:
        names = [n for n in names if n in args.devices]
    known = set()
    if args.known_failures:
        with open(args.known_failures) as f:
            for line in f:
                fields = line.split("#", 1)[0].split()
                if len(fields) >= 2:
                    known.add((fields[0], fields[1]))

    with ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
        results = list(pool.map(lambda n: check_device(n, args), names))

    passed = {"new": 0, "old": 0}
    absent = {"new": 0, "old": 0}
    unexpected = []
    for name, result in results:
        for style in ("new", "old"):
            reason = result[style]
            if reason == "n/a":
                absent[style] += 1
                continue
            if reason is None:
                passed[style] += 1
                if (name, style) in known:
                    print("%s %s: passes, but is listed as a known failure" % (name, style))
                continue
            mark = "known" if (name, style) in known else "FAIL"
            print("%s %s %s: %s" % (mark, name, style, reason))
            if mark == "FAIL":
                unexpected.append((name, style))
    good = sum(1 for _, r in results if r["new"] in (None, "n/a") and r["old"] in (None, "n/a"))
    total = len(results)
    print("%d devices checked; new style: %d pass, %d without; old style: %d pass, %d without; "
          "every style a device has passes: %d (%.1f %%)"
          % (total, passed["new"], absent["new"], passed["old"], absent["old"], good,
             100.0 * good / total if total else 0))
    return 1 if unexpected or not total else 0


if __name__ == "__main__":
    sys.exit(main())
