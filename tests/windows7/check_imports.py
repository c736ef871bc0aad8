#!/usr/bin/python3
"""Fails when a Windows program imports a DLL or function that Windows 7 SP1 lacks.

The program's import table comes from `OBJDUMP -p` (x86_64- or i686-w64-mingw32-objdump). Each
imported function is looked up in windows_imports.txt beside this script, which gives the oldest
Windows that has it. A function that needs a newer Windows fails the check; so does one that the
list does not know, or one imported by ordinal, since nobody has checked its version.
"""

import argparse
import os
import re
import subprocess
import sys

# The list's version names, oldest first.
VERSIONS = ["2000", "XP", "Vista", "7", "8", "8.1", "10-1607", "10-1703"]
OLDEST_SUPPORTED = "7"
LIST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "windows_imports.txt")

DLL_LINE = re.compile(r"^\s*DLL Name: (\S+)")
# "<vma> <hint> <name>"; objdump writes <none> for a function imported by ordinal.
FUNCTION_LINE = re.compile(r"^\t[0-9a-fA-F]+\s+\d+\s+(\S+)")


def read_list(path):
    """{(dll, function): version}, the DLL's name in lower case."""
    versions = {}
    with open(path, encoding="utf-8") as lines:
        for number, line in enumerate(lines, 1):
            fields = line.split("#", 1)[0].split()
            if not fields:
                continue
            if len(fields) != 3 or fields[2] not in VERSIONS:
                sys.exit(f"{path}:{number}: expected 'DLL function version', the version one of "
                         f"{' '.join(VERSIONS)}")
            dll, function, version = fields
            versions[(dll.lower(), function)] = version
    return versions


def imports(program, objdump):
    """[(dll, function)] from the program's import table, the DLL's name in lower case."""
    dump = subprocess.run([objdump, "-p", program], capture_output=True, text=True,
                          check=True).stdout
    table = dump.partition("The Import Tables")[2]
    found = []
    dll = None
    for line in table.splitlines():
        if line.startswith("The "):  # the next table of the dump
            break
        if match := DLL_LINE.match(line):
            dll = match.group(1).lower()
        elif dll and (match := FUNCTION_LINE.match(line)):
            found.append((dll, match.group(1)))
    return found


def problems(found, versions):
    oldest = VERSIONS.index(OLDEST_SUPPORTED)
    for dll, function in found:
        version = versions.get((dll, function))
        if function == "<none>":
            yield f"{dll}: a function imported by ordinal"
        elif version is None:
            yield f"{dll} {function}: not in {os.path.basename(LIST)}; add it with the oldest " \
                  f"Windows its documentation names"
        elif VERSIONS.index(version) > oldest:
            yield f"{dll} {function}: needs Windows {version}; look it up at run time " \
                  f"(util/windows_functions_win32.h)"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program", help="the .exe to check")
    parser.add_argument("objdump", help="the MinGW-w64 objdump for the program's architecture")
    arguments = parser.parse_args()
    found = imports(arguments.program, arguments.objdump)
    if not found:
        print(f"No imports found in {arguments.program}: has objdump's output changed?")
        return 1
    failures = list(problems(found, read_list(LIST)))
    for failure in failures:
        print(failure)
    if failures:
        return 1
    print(f"{len(found)} imported functions, none newer than Windows {OLDEST_SUPPORTED}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
