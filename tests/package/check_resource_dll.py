#!/usr/bin/env python3
"""Checks the built resource library: it must import nothing (a resource-only library has no
code to need anything) and hold every string of the resource script, in UTF-16 as the
platform's string loader reads them."""
import argparse
import re
import subprocess
import sys


def script_strings(path):
    """Every quoted string of the STRINGTABLE blocks, with its id and language line."""
    strings = []
    language = None
    in_table = False
    with open(path, encoding="utf-8") as rc:
        for number, line in enumerate(rc, 1):
            line = line.strip()
            if line.startswith("LANGUAGE "):
                language = line[len("LANGUAGE "):]
            elif line == "STRINGTABLE":
                in_table = True
            elif in_table and line == "END":
                in_table = False
            elif in_table:
                m = re.match(r'^(\d+)\s*,?\s*"(.*)"$', line)
                if m:
                    strings.append((language, int(m.group(1)), m.group(2).replace('""', '"'), number))
    return strings


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--dll", required=True)
    parser.add_argument("--rc", required=True)
    args = parser.parse_args()
    faults = []

    headers = subprocess.run([args.objdump, "-p", args.dll], capture_output=True, text=True, check=True).stdout
    imports = re.findall(r"^\s*DLL Name: (\S+)", headers, re.M)
    if imports:
        faults.append("imports " + ", ".join(imports))
    entry = re.search(r"^AddressOfEntryPoint\s+([0-9a-fA-F]+)", headers, re.M)
    if not entry or int(entry.group(1), 16) != 0:
        faults.append("has an entry point")

    with open(args.dll, "rb") as dll:
        image = dll.read()
    strings = script_strings(args.rc)
    if not strings:
        faults.append("no strings found in " + args.rc)
    for language, ident, text, line in strings:
        if text.encode("utf-16-le") not in image:
            faults.append(f"string {ident} ({language}, {args.rc}:{line}) missing: {text!r}")

    for fault in faults:
        print("BRINDOL80RES.DLL:", fault, file=sys.stderr)
    print(f"{len(strings)} strings checked, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
