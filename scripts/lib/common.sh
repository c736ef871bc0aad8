# Shared steps of the scripts: dependencies, the builds, a Wine session.
# Sourced, not run.

NIMBREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
NIMBREL_PACKAGES=(cmake make g++ googletest libgtest-dev libgmock-dev g++-mingw-w64-x86-64
                  g++-mingw-w64-i686 zlib1g-dev libz-mingw-w64-dev wine wine64 xvfb python3
                  imagemagick curl openssl ca-certificates clang-format clang libclang-rt-14-dev
                  ccache)
# Wine for the 32-bit program, without the many i386 libraries it recommends (sound, scanners,
# ...), which the program does not use.
NIMBREL_I386_PACKAGES=(wine32:i386)

log() { printf '== %s\n' "$*" >&2; }

# Every tree compiles through ccache: a machine that built the same sources before, in any clone,
# builds again in seconds. Paths are hashed relative to the clone, so clones share the cache.
export CCACHE_BASEDIR=$NIMBREL_ROOT CCACHE_NOHASHDIR=true

# configure_tree FOLDER [cmake arguments]
configure_tree() {
    local tree=$1
    shift
    cmake -S "$NIMBREL_ROOT" -B "$NIMBREL_ROOT/build/$tree" -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
        "$@" >/dev/null
}

# The packages named that are not installed yet, one a line.
missing_packages() {
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
            echo "$package"
    done
}

install_dependencies() {
    local missing i386_missing
    mapfile -t missing < <(missing_packages "${NIMBREL_PACKAGES[@]}")
    mapfile -t i386_missing < <(missing_packages "${NIMBREL_I386_PACKAGES[@]}")
    ((${#missing[@]} + ${#i386_missing[@]} == 0)) && return 0
    log "installing ${missing[*]} ${i386_missing[*]}"
    local sudo=()
    [ "$(id -u)" = 0 ] || sudo=(sudo)
    # Wine's recommended libraries (GnuTLS among them, for HTTPS) are needed.
    if ((${#missing[@]})); then
        "${sudo[@]}" apt-get update -qq
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
    fi
    # i386 comes in after the others: until then Wine's recommendation of wine32 cannot pull in
    # the i386 libraries.
    if ((${#i386_missing[@]})); then
        dpkg --print-foreign-architectures | grep -qx i386 ||
            "${sudo[@]}" dpkg --add-architecture i386
        "${sudo[@]}" apt-get update -qq
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
            "${i386_missing[@]}" >/dev/null ||
            install_i386_from_main_archive "${i386_missing[@]}"
    fi
}

# A mirror whose i386 index of the security archive cannot be fetched leaves the amd64 libraries
# at versions no i386 index offers, and the multi-arch pairs cannot be matched. The main archive
# has both halves of each pair: take every version from it, downgrading where the security
# archive's amd64 build is newer.
install_i386_from_main_archive() {
    log "the i386 packages could not be matched to the amd64 ones; taking both from the main archive"
    local preferences
    preferences=$(mktemp)
    cat >"$preferences" <<'PINS'
Package: *
Pin: release l=Debian-Security
Pin-Priority: 100

Package: *
Pin: release n=bookworm
Pin-Priority: 1001
PINS
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        --allow-downgrades -o Dir::Etc::Preferences="$preferences" "$@" >/dev/null
    local status=$?
    rm -f "$preferences"
    return "$status"
}

build_native() {
    log "building the portable core and its unit tests (build/native)"
    configure_tree native -DCMAKE_BUILD_TYPE=Debug
    cmake --build "$NIMBREL_ROOT/build/native" -j "$(nproc)"
}

# The fuzz targets need clang and its libFuzzer; they get a tree of their own.
build_fuzz() {
    log "building the fuzz targets (build/fuzz)"
    configure_tree fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DNIMBREL_FUZZ=ON
    cmake --build "$NIMBREL_ROOT/build/fuzz" -j "$(nproc)"
}

# The 64-bit program and its test programs in build/windows; arguments go to `cmake --build`.
build_windows() {
    build_windows_tree windows x86_64 "$@"
}

# The 32-bit program and its test programs in build/windows32.
build_windows32() {
    build_windows_tree windows32 i686 "$@"
}

# build_windows_tree FOLDER PROCESSOR [cmake --build arguments]
build_windows_tree() {
    local tree=$NIMBREL_ROOT/build/$1 processor=$2
    shift 2
    log "building nimbrel.exe (build/${tree##*/})"
    configure_tree "${tree##*/}" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$NIMBREL_ROOT/cmake/mingw-w64-$processor.cmake"
    cmake --build "$tree" -j "$(nproc)" "$@"
}

# Runs a command, and every process it starts, with a fixed address-space layout. Wine's loader sits
# at a fixed address, and randomization puts the Linux heap anywhere in the gigabyte above it. Now
# and then the heap covers 0x7ffe0000, where Wine must map the shared user data, and the process
# dies before its first instruction ("failed to map the shared user data: c0000018"): a driver
# call, or nimbrel.exe itself, fails about once in a few thousand starts. Wine processes start
# their children themselves, so every one of a session's descends from a command run through this.
with_fixed_layout() {
    setarch "$(uname -m)" --addr-no-randomize "$@"
}

# A fresh Wine prefix, build/NAME (wineprefix unless named), and a virtual display of its own, for
# tests.
start_wine_session() {
    local name=${1:-wineprefix}
    export WINEPREFIX="$NIMBREL_ROOT/build/$name"
    export WINEDEBUG=-all
    # The program takes its proxy from these; the tests that want one set them themselves.
    unset http_proxy https_proxy no_proxy HTTP_PROXY HTTPS_PROXY NO_PROXY
    # No Mono or Gecko installer prompts in a fresh prefix.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    NIMBREL_LOGS="$NIMBREL_ROOT/build/logs"
    mkdir -p "$NIMBREL_LOGS"
    rm -rf "$WINEPREFIX"
    # wineserver refuses a prefix folder that does not exist yet, and a server started later
    # by wineboot is not persistent: it would end between tests.
    mkdir -p "$WINEPREFIX"
    local display=90
    while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
        display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$NIMBREL_LOGS/$name-xvfb.log" 2>&1 &
    NIMBREL_XVFB_PID=$!
    export DISPLAY=":$display"
    # The Wine server and its services keep the output they were started with; they must never
    # hold a pipe that a test reads.
    with_fixed_layout wineserver -p >"$NIMBREL_LOGS/$name-wineserver.log" 2>&1 </dev/null
    with_fixed_layout wineboot -i >"$NIMBREL_LOGS/$name-wineboot.log" 2>&1 </dev/null
    log "Wine prefix $WINEPREFIX ready on display $DISPLAY"
}

stop_wine_session() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
    [ -n "${NIMBREL_XVFB_PID:-}" ] && kill "$NIMBREL_XVFB_PID" 2>/dev/null || true
}

# The 32-bit Windows tests in a Wine session of their own, so that they can run beside the 64-bit
# ones: each suite has a prefix and a display to itself.
run_windows32_tests_apart() {
    (
        trap stop_wine_session EXIT
        start_wine_session wineprefix32
        with_fixed_layout ctest --test-dir "$NIMBREL_ROOT/build/windows32" --output-on-failure "$@"
    )
}

# The Windows tests, the 64-bit ones in the started Wine session and the 32-bit ones beside them,
# with the short benchmark first when no ctest arguments narrow the run. Returns 1 when any failed.
run_windows_tests() {
    # Each suite runs to its end whatever the other's result: which of them fails tells where to
    # look.
    local status=0
    # A short run of the benchmark, for its figures only: it never judges speed. It goes first so
    # that the test summary closes the output.
    if (($# == 0)); then
        log "update benchmark, short run (figures only; scripts/bench runs it in full)"
        with_fixed_layout /usr/bin/python3 "$NIMBREL_ROOT/bench/update_bench.py" \
            --runs 3 --wait 3 --idle 3 --updates 2 \
            "$NIMBREL_ROOT/build/windows/nimbrel.exe" \
            "$NIMBREL_ROOT/build/windows/tests/e2e/nimbrel_driver.exe" ||
            { log "update_bench FAILED"; status=1; }
    fi
    # The benchmark has had the machine to itself; the two suites share it. The 32-bit one's output
    # follows the 64-bit one's, whole.
    local output32="$NIMBREL_LOGS/windows32-tests.log"
    run_windows32_tests_apart "$@" >"$output32" 2>&1 &
    local suite32=$!
    log "Windows tests under Wine (the 32-bit ones run beside them)"
    with_fixed_layout ctest --test-dir "$NIMBREL_ROOT/build/windows" --output-on-failure "$@" ||
        status=1
    wait "$suite32" || status=1
    log "32-bit Windows tests under Wine, in a prefix and on a display of their own"
    cat "$output32"
    return "$status"
}
