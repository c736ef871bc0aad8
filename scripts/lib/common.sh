# Shared steps of scripts/test and scripts/run: dependencies, the two builds, a Wine session.
# Sourced, not run.

NIMBREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
NIMBREL_PACKAGES=(cmake make g++ googletest libgtest-dev libgmock-dev g++-mingw-w64-x86-64
                  wine wine64 xvfb python3 imagemagick curl openssl ca-certificates clang-format
                  clang libclang-rt-14-dev)

log() { printf '== %s\n' "$*" >&2; }

install_dependencies() {
    local missing=()
    for package in "${NIMBREL_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
            missing+=("$package")
    done
    ((${#missing[@]} == 0)) && return 0
    log "installing ${missing[*]}"
    local sudo=()
    [ "$(id -u)" = 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    # Wine's recommended libraries (GnuTLS among them, for HTTPS) are needed.
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

build_native() {
    log "building the portable core and its unit tests (build/native)"
    cmake -S "$NIMBREL_ROOT" -B "$NIMBREL_ROOT/build/native" -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build "$NIMBREL_ROOT/build/native" -j "$(nproc)"
}

# The fuzz targets need clang and its libFuzzer; they get a tree of their own.
build_fuzz() {
    log "building the fuzz targets (build/fuzz)"
    cmake -S "$NIMBREL_ROOT" -B "$NIMBREL_ROOT/build/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ -DNIMBREL_FUZZ=ON >/dev/null
    cmake --build "$NIMBREL_ROOT/build/fuzz" -j "$(nproc)"
}

build_windows() {
    log "building nimbrel.exe (build/windows)"
    cmake -S "$NIMBREL_ROOT" -B "$NIMBREL_ROOT/build/windows" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$NIMBREL_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
    cmake --build "$NIMBREL_ROOT/build/windows" -j "$(nproc)"
}

# A fresh Wine prefix and a virtual display of its own, for tests.
start_wine_session() {
    export WINEPREFIX="$NIMBREL_ROOT/build/wineprefix"
    export WINEDEBUG=-all
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
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$NIMBREL_LOGS/xvfb.log" 2>&1 &
    NIMBREL_XVFB_PID=$!
    export DISPLAY=":$display"
    # The Wine server and its services keep the output they were started with; they must never
    # hold a pipe that a test reads.
    wineserver -p >"$NIMBREL_LOGS/wineserver.log" 2>&1 </dev/null
    wineboot -i >"$NIMBREL_LOGS/wineboot.log" 2>&1 </dev/null
    log "Wine prefix $WINEPREFIX ready on display $DISPLAY"
}

stop_wine_session() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
    [ -n "${NIMBREL_XVFB_PID:-}" ] && kill "$NIMBREL_XVFB_PID" 2>/dev/null || true
}
