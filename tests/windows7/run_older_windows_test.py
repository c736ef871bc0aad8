#!/usr/bin/python3
"""Runs older_windows_test.exe under Wine at 96 and at 144 DPI.

Needs the Wine session of scripts/test; the prefix is left at 96 DPI.
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402

DPIS = (96, 144)


def main():
    if len(sys.argv) != 2:
        sys.exit(f"usage: {sys.argv[0]} older_windows_test.exe")
    prefix = harness.WinePrefix()
    prefix.ensure_wine_server()
    failed = False
    try:
        for dpi in DPIS:
            prefix.set_dpi(dpi)
            result = prefix.wine(sys.argv[1], f"--dpi={dpi}", check=False)
            print(f"--- at {dpi} DPI")
            sys.stdout.write(result.stdout.decode("utf-8", "replace"))
            failed |= result.returncode != 0
    finally:
        prefix.set_dpi(96)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
