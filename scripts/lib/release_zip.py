"""Writes one release zip: nimbrel.exe, README.txt made from package/README.txt, and
THIRD-PARTY-NOTICES.txt from the copyright files of the Debian packages whose libraries are
linked into the program.

The same inputs give the same bytes: every entry has the given time stamp and no file-system
attributes, and the entries are sorted by name."""

import argparse
import subprocess
import time
import zipfile

RULE = "=" * 78


def windows_text(text):
    """The bytes of a text file as Notepad on Windows 7 reads it: CR LF line ends, and a byte
    order mark that says UTF-8."""
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8-sig")


def notices(program, libraries):
    """`libraries` holds (what, Debian package) pairs."""
    sections = []
    listing = []
    for what, package in libraries:
        version = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], check=True,
                                 capture_output=True, text=True).stdout
        path = f"/usr/share/doc/{package}/copyright"
        with open(path, encoding="utf-8") as f:
            text = f.read()
        listing.append(f"  - {what}: Debian package {package} {version}")
        sections.append(f"{RULE}\n{what}\nfrom {path} of the Debian package {package} {version}\n"
                        f"{RULE}\n\n{text.rstrip()}\n")
    head = (f"{program} contains code of the libraries below, linked into nimbrel.exe. Their\n"
            "copyright and licence texts follow, as the Debian packages they were built from\n"
            "give them.\n\n" + "\n".join(listing) + "\n")
    return "\n\n".join([head, *sections])


def write_zip(path, entries, timestamp):
    """`entries` maps names to bytes."""
    date_time = time.gmtime(timestamp)[:6]
    with zipfile.ZipFile(path, "w") as archive:
        for name in sorted(entries):
            info = zipfile.ZipInfo(name, date_time)
            info.create_system = 0  # MS-DOS: no Unix permissions in the entry
            info.external_attr = 0
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, entries[name], compresslevel=9)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("zip")
    parser.add_argument("--exe", required=True)
    parser.add_argument("--readme", required=True, help="the template, with @VERSION@")
    parser.add_argument("--version", required=True)
    parser.add_argument("--timestamp", type=int, required=True,
                        help="seconds since 1970 (UTC) for every entry")
    parser.add_argument("--library", action="append", default=[], metavar="WHAT=PACKAGE",
                        help="a linked library and the Debian package it comes from")
    arguments = parser.parse_args()

    with open(arguments.exe, "rb") as f:
        exe = f.read()
    with open(arguments.readme, encoding="utf-8") as f:
        readme = f.read().replace("@VERSION@", arguments.version)
    libraries = [library.split("=", 1) for library in arguments.library]
    program = f"Nimbrel {arguments.version}"
    write_zip(arguments.zip, {
        "nimbrel.exe": exe,
        "README.txt": windows_text(readme),
        "THIRD-PARTY-NOTICES.txt": windows_text(notices(program, libraries)),
    }, arguments.timestamp)


if __name__ == "__main__":
    main()
