#!/usr/bin/python3
"""Runs winhttp_transfer_test.exe under Wine against the local NOAA stand-in.

Writes the stand-in's data folder, starts it on 127.0.0.1 with the rules the tests expect, runs
the test program with `wine` and passes its exit status on. When it may (root, openssl), it
also makes a throw-away CA, trusts it for the run and serves HTTPS with a certificate it signed;
the CA is removed again afterwards. The program runs without proxy variables, with --proxy
with the stand-in as its proxy for every scheme, or with --dead-proxy with a port where nothing
listens as its proxy for https only. Internet Options are set to detect the proxy automatically,
as Windows comes. Needs a Wine session (scripts/test starts one).
"""

import argparse
import contextlib
import os
import shutil
import socket
import subprocess
import sys
import tempfile

DATE = "Tue, 14 Jan 2025 16:05:00 GMT"
# Paths the test program asks for, and how the stand-in treats them.
RULES = [
    "/fault/500.TXT=status:500",
    "/fault/moved=redirect:/weather/metar.shtml",
    "/fault/to-https=redirect-tls:/weather/metar.shtml",
    "/fault/to-http=redirect-plain:/weather/metar.shtml",
    "/fault/short.TXT=short:1000",
    "/fault/stall.TXT=stall:30",
    "/fault/silent.TXT=silent:30",
    "/drip/15Z.TXT=drip:20",
    "/stress/stalled.TXT=pause:800",
    "/stress/drip.TXT=drip:5",
    "/fault/huge.TXT=huge:3145728",
    "/fault/huge-announced.TXT=huge-announced:3145728",
    "/fault/reset.TXT=reset",
    "/fault/reset-midway.TXT=reset:1000",
    # No length, and cut in the middle of a line.
    "/cut/chunked.TXT=broken-chunked:1000",
    "/cut/closed.TXT=huge:1000",
    "/gzip/short.TXT=gzip-short:1000",
    "/gzip/damaged.TXT=gzip-damaged",
    "/gzip/bomb.TXT=gzip-bomb:16777216",
    "/gzip/padded.TXT=gzip-padded:512",
    "/batch/5MB.TXT=uncompressed",
    "/proxy/sign-in.TXT=proxy-sign-in",
    "/proxy/ntlm.TXT=proxy-sign-in:NTLM",
    "/auth/negotiate.TXT=sign-in:Negotiate, NTLM",
    "/proxy/closed.TXT=silent:0",
    "/kept/open.TXT=keep-alive",
    f"/dated/16Z.TXT=date:{DATE}",
    "/undated/16Z.TXT=no-date",
]
# A name no resolver knows, which only a proxy reaches; the stand-in's certificate names it too.
PROXIED_HOST = "nimbrel-origin.invalid"
PROXY_VARIABLES = ("http_proxy", "https_proxy", "no_proxy")
# Internet Options with "Automatically detect settings" on and nothing else, as Windows comes.
DETECTION_ON = ["wine", "reg", "add",
                r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections",
                "/v", "DefaultConnectionSettings", "/t", "REG_BINARY", "/f",
                "/d", "46000000" "00000000" "09000000" + "00000000" * 3]
# One file per run: helpers that run these tests at the same time on one machine must not remove
# each other's CA.
CA_FILE = f"/usr/local/share/ca-certificates/nimbrel-winhttp-test-ca-{os.getpid()}.crt"


def metar_text(hour, count):
    """LF-terminated reports in the manner of a cycle file."""
    lines = []
    for index in range(count):
        station = "K" + "".join(chr(65 + (index // 26**n) % 26) for n in range(3))
        minute = index % 60
        lines.append(f"2025/01/14 {hour:02d}:{minute:02d}\n")
        lines.append(f"{station} 14{hour:02d}{minute:02d}Z {index % 36 * 10:03d}08KT 10SM "
                     f"FEW{index % 90:03d} {index % 30:02d}/{index % 20:02d} A{2990 + index % 40}\n\n")
    return "".join(lines).encode()


def write_file(root, path, data):
    local = os.path.join(root, path.lstrip("/"))
    os.makedirs(os.path.dirname(local), exist_ok=True)
    with open(local, "wb") as file:
        file.write(data)


def write_data(root):
    # Every byte value once: nothing on the way may convert text.
    every_byte = bytes(range(256)) + b"\n"
    big = metar_text(14, 40000) + every_byte + metar_text(14, 10)
    write_file(root, "/pub/data/observations/metar/cycles/14Z.TXT", big)
    write_file(root, "/data/observations/metar/cycles/13Z.TXT", metar_text(13, 50))
    write_file(root, "/data/observations/metar/cycles/14Z.TXT", metar_text(14, 50))
    write_file(root, "/weather/metar.shtml",
               b"<html><body>\n<a href=\"/pub/data/observations/metar/cycles/14Z.TXT\">"
               b"14Z</a>\n</body></html>\n")
    write_file(root, "/drip/15Z.TXT", metar_text(15, 200) + every_byte)
    write_file(root, "/batch/5MB.TXT", metar_text(18, 95000))
    write_file(root, "/proxy/direct.TXT", metar_text(19, 10))
    write_file(root, "/kept/open.TXT", metar_text(20, 10))
    write_file(root, "/dated/16Z.TXT", metar_text(16, 20))
    write_file(root, "/undated/16Z.TXT", metar_text(16, 21))
    for name in ["short", "damaged", "padded"]:
        write_file(root, f"/gzip/{name}.TXT", metar_text(17, 500))
    for hour, name in enumerate(["fast", "stalled", "drip"]):
        write_file(root, f"/stress/{name}.TXT", metar_text(hour, 3000 if name == "fast" else 1000))


def run_quietly(command, cwd=None):
    subprocess.run(command, cwd=cwd, check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def can_trust_a_ca():
    return (os.geteuid() == 0 and shutil.which("openssl") and shutil.which("update-ca-certificates")
            and os.path.isdir(os.path.dirname(CA_FILE)))


def make_certificates(folder):
    """A CA and a certificate it signed for 127.0.0.1 and localhost; returns (cert, key)."""
    run_quietly(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                 "-subj", "/CN=Nimbrel WinHTTP test CA", "-keyout", "ca.key", "-out", "ca.crt",
                 "-addext", "basicConstraints=critical,CA:TRUE",
                 "-addext", "keyUsage=critical,keyCertSign,cRLSign"], cwd=folder)
    run_quietly(["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost",
                 "-keyout", "server.key", "-out", "server.csr"], cwd=folder)
    with open(os.path.join(folder, "server.ext"), "w") as extensions:
        extensions.write(f"subjectAltName=DNS:localhost,DNS:{PROXIED_HOST},IP:127.0.0.1\n"
                         "extendedKeyUsage=serverAuth\n")
    run_quietly(["openssl", "x509", "-req", "-in", "server.csr", "-CA", "ca.crt",
                 "-CAkey", "ca.key", "-CAcreateserial", "-days", "2", "-extfile", "server.ext",
                 "-out", "server.crt"], cwd=folder)
    return os.path.join(folder, "server.crt"), os.path.join(folder, "server.key")


@contextlib.contextmanager
def trusted_ca(folder):
    shutil.copy(os.path.join(folder, "ca.crt"), CA_FILE)
    try:
        run_quietly(["update-ca-certificates"])
        yield
    finally:
        os.remove(CA_FILE)
        run_quietly(["update-ca-certificates", "--fresh"])


@contextlib.contextmanager
def standin(script, root, tls, refused_port):
    command = [sys.executable, script, "--root", root, "--lifetime", "300"]
    # Through the proxy to a host it bypasses, which refuses the connection.
    to_bypassed_host = f"/proxy/to-bypass.TXT=redirect:http://localhost:{refused_port}/x"
    for rule in RULES + [to_bypassed_host]:
        command += ["--rule", rule]
    if tls:
        command += ["--tls", *tls]
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, text=True)
    try:
        ports = [process.stdout.readline().split()[-1]]
        if tls:
            ports.append(process.stdout.readline().split()[-1])
        yield ports
    finally:
        process.terminate()
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


@contextlib.contextmanager
def refusing_port():
    """A port that refuses connections for as long as it is needed: bound, never listening, so
    that no other program can take it meanwhile."""
    with socket.socket() as bound:
        bound.bind(("127.0.0.1", 0))
        yield bound.getsockname()[1]


def environment(proxy_port, https_only=False):
    """This one's proxy variables only: none, or the proxy for every scheme (or for https only),
    with localhost reached directly."""
    variables = {name: value for name, value in os.environ.items()
                 if name.lower() not in PROXY_VARIABLES}
    if proxy_port:
        variables.update(https_proxy=f"127.0.0.1:{proxy_port}", no_proxy="localhost")
        if not https_only:
            variables.update(http_proxy=f"http://127.0.0.1:{proxy_port}/")
    return variables


def run_tests(exe, arguments, timeout, work, proxy_port=None, https_only=False):
    run_quietly(DETECTION_ON)
    # Output goes to a file: processes Wine starts on the way inherit it and may outlive the test.
    log = os.path.join(work, "test-output.txt")
    with open(log, "wb") as output:
        try:
            status = subprocess.run(["wine", exe, *arguments], stdin=subprocess.DEVNULL,
                                    stdout=output, stderr=subprocess.STDOUT, timeout=timeout,
                                    env=environment(proxy_port, https_only)).returncode
        except subprocess.TimeoutExpired:
            print(f"The test program did not end within {timeout} seconds.")
            status = 1
    with open(log, "rb") as output:
        said = output.read().decode("utf-8", "replace")
    sys.stdout.write(said)
    # Each suite runs with what its tests need; a skip would pass unseen, as ctest shows only the
    # output of a test that fails.
    if "[  SKIPPED ]" in said:
        print("A test skipped (its reason is above): every test of this suite must run.")
        status = status or 1
    return status


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="winhttp_transfer_test.exe")
    parser.add_argument("--standin", required=True, help="noaa_standin.py")
    parser.add_argument("--no-tls", action="store_true", help="skip the HTTPS tests")
    parser.add_argument("--proxy", action="store_true",
                        help="set the proxy variables to the stand-in for the program")
    parser.add_argument("--dead-proxy", action="store_true",
                        help="set https_proxy alone to a port where nothing listens")
    parser.add_argument("--timeout", type=float, default=100, help="seconds for the test program")
    parser.add_argument("extra", nargs="*", help="more options for the program, after --")
    arguments = parser.parse_args()
    if "WINEPREFIX" not in os.environ:
        print("Needs a Wine session: run scripts/test, or source scripts/lib/common.sh and call "
              "start_wine_session.")
        return 1

    with tempfile.TemporaryDirectory(prefix="nimbrel-winhttp-") as work:
        root = os.path.join(work, "data")
        write_data(root)
        with contextlib.ExitStack() as stack:
            tls = None
            if not arguments.no_tls and not can_trust_a_ca():
                print("The HTTPS tests need root, openssl and update-ca-certificates, which "
                      "scripts/test installs: run them through scripts/test.")
                return 1
            if not arguments.no_tls:
                tls = make_certificates(work)
                stack.enter_context(trusted_ca(work))
            refused = stack.enter_context(refusing_port())
            ports = stack.enter_context(standin(arguments.standin, root, tls, refused))
            program_arguments = [f"http://127.0.0.1:{ports[0]}", "Z:" + root.replace("/", "\\"),
                                 f"http://127.0.0.1:{refused}/"]
            if tls:
                # Wine matches a certificate's DNS names only, not its IP addresses.
                program_arguments.append(f"https://localhost:{ports[1]}")
            program_arguments += arguments.extra
            proxy_port = None
            if arguments.proxy:
                proxy_port = ports[0]
            elif arguments.dead_proxy:
                proxy_port = stack.enter_context(refusing_port())
            return run_tests(arguments.exe, program_arguments, arguments.timeout, work, proxy_port,
                             https_only=arguments.dead_proxy)


if __name__ == "__main__":
    sys.exit(main())
