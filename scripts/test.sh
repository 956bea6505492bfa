#!/usr/bin/env bash
# Builds Kestrel and runs all of its tests. Stages (default: all of them, in this order):
#   plain  the normal build (build/) and every test
#   asan   AddressSanitizer + UndefinedBehaviorSanitizer build (build-asan/) and every test
#   tsan   ThreadSanitizer build (build-tsan/) of the threaded modules and their tests
#   wine   the portable core cross-built with mingw-w64 (build-win/), its tests under wine
#   winexe the whole program cross-built (build-winexe/): kestrel.exe, kestrel-pack.exe,
#          kestrel-demo.exe and the tests labelled wine, under wine
#   fuzz   the libFuzzer targets (build-fuzz/), each run briefly
# Usage: scripts/test.sh [stage ...]
set -uo pipefail
cd "$(dirname "$0")/.."

jobs=${KESTREL_JOBS:-2}
stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=(plain asan tsan wine winexe fuzz)
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    # Let fresh clones in other folders (CI) reuse what an earlier build compiled.
    export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
fi

passed=0
failed=0
failures=()

# Runs ctest in a build folder and adds its counts to the totals.
run_ctest() {
    local dir=$1
    shift
    local log
    log=$(mktemp)
    ctest --test-dir "$dir" --output-on-failure -j2 "$@" 2>&1 | tee "$log"
    local line total bad
    line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [ -z "$line" ]; then
        if grep -q 'No tests were found' "$log"; then
            rm -f "$log"
            return 0
        fi
        failed=$((failed + 1))
        failures+=("$dir: ctest did not finish")
    else
        bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
        total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
        [ "$bad" -eq 0 ] || failures+=("$dir: $bad failed")
    fi
    rm -f "$log"
}

build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" "${launcher[@]}" "$@" >/dev/null || return 1
    cmake --build "$dir" -j"$jobs"
}

stage_plain() {
    echo "== plain build and tests"
    build build -DKESTREL_TESTS=ON || { failures+=("plain build"); failed=$((failed + 1)); return; }
    run_ctest build
}

stage_asan() {
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
    build build-asan -DKESTREL_TESTS=ON -DKESTREL_SANITIZE=address,undefined ||
        { failures+=("asan build"); failed=$((failed + 1)); return; }
    # The umockdev preload library and the sanitizer runtime both want to be first.
    # fontconfig keeps a few bytes of its configuration for ever: tests/lsan.supp names it.
    ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp run_ctest build-asan
}

stage_tsan() {
    echo "== ThreadSanitizer (threaded modules)"
    cmake -S . -B build-tsan "${launcher[@]}" -DKESTREL_TESTS=ON -DKESTREL_SANITIZE=thread >/dev/null ||
        { failures+=("tsan configure"); failed=$((failed + 1)); return; }
    # Only the binaries labelled "threads" (tests/CMakeLists.txt); test names are target names.
    local targets
    mapfile -t targets < <(ctest --test-dir build-tsan -N -L threads | sed -n -E 's/^ *Test +#[0-9]+: +//p')
    if [ ${#targets[@]} -gt 0 ]; then
        cmake --build build-tsan -j"$jobs" --target "${targets[@]}" ||
            { failures+=("tsan build"); failed=$((failed + 1)); return; }
    fi
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_ctest build-tsan -L threads
}

# A fresh wine prefix for the Windows tests, quiet, with the X11 driver's windows unmanaged, and a
# server that stays up between the tests; wine_teardown ends it and removes the prefix. The server
# is made persistent before the last set-up call so that wine's own services (started by wineboot,
# or again by that call) keep running with their output on /dev/null: started later by a test, they
# would hold that test's output open and ctest would wait for them until its time limit.
wine_setup() {
    export WINEPREFIX
    WINEPREFIX=$(mktemp -d /tmp/kestrel-wine.XXXXXX)
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    timeout 300 wineboot -i >/dev/null 2>&1
    timeout 60 wineserver -p </dev/null >/dev/null 2>&1
    timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
}

wine_teardown() {
    timeout 60 wineserver -k
    rm -rf "$WINEPREFIX"
}

stage_wine() {
    echo "== Windows cross build of the portable core, tests under wine"
    build build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DKESTREL_PORTABLE_ONLY=ON -DKESTREL_TESTS=ON ||
        { failures+=("windows build"); failed=$((failed + 1)); return; }
    # The Windows display back-end's tests create real windows: wine needs the stage's X server.
    start_stage_display
    wine_setup
    run_ctest build-win
    wine_teardown
    stop_stage_display
}

# One X server for a whole stage (DISPLAY and XAUTHORITY exported): wine's desktop process, started by the first
# wine call of the prefix, serves the display it was started with, so the set-up and every test
# must see the same one.
start_stage_display() {
    local info
    info=$(mktemp)
    xvfb-run -a -n 150 -s "-screen 0 1024x768x24" sh -c 'echo "$$ $DISPLAY $XAUTHORITY" >"$0"; exec sleep 86400' "$info" \
        </dev/null >/dev/null 2>&1 &
    stage_display_job=$!
    for _ in $(seq 1 200); do
        [ -s "$info" ] && break
        sleep 0.1
    done
    # xvfb-run's server admits only holders of its cookie file: the tests get it too.
    read -r stage_display_sleep DISPLAY XAUTHORITY <"$info"
    rm -f "$info"
    export DISPLAY XAUTHORITY
}

# Ends the stage's X server: its placeholder command ends, and xvfb-run stops the server.
stop_stage_display() {
    kill "$stage_display_sleep" 2>/dev/null
    wait "$stage_display_job" 2>/dev/null
    unset DISPLAY XAUTHORITY
}

stage_winexe() {
    echo "== Windows executables (full cross build), their tests under wine"
    cmake -S . -B build-winexe "${launcher[@]}" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
        -DKESTREL_PORTABLE_ONLY=OFF -DKESTREL_TESTS=ON >/dev/null ||
        { failures+=("winexe configure"); failed=$((failed + 1)); return; }
    # The three programs and the binaries of the tests labelled "wine" (a test that is a script run
    # under xvfb-run has no target of its own).
    local known tests targets=(kestrel kestrel-pack kestrel-demo) t
    known=$(cmake --build build-winexe --target help | sed -n -E 's/^\.\.\. ([^ ]+).*/\1/p')
    mapfile -t tests < <(ctest --test-dir build-winexe -N -L wine | sed -n -E 's/^ *Test +#[0-9]+: +//p')
    for t in "${tests[@]}"; do
        grep -qx -- "$t" <<<"$known" && targets+=("$t")
    done
    cmake --build build-winexe -j"$jobs" --target "${targets[@]}" ||
        { failures+=("winexe build"); failed=$((failed + 1)); return; }
    start_stage_display
    wine_setup
    run_ctest build-winexe -L wine
    wine_teardown
    stop_stage_display
}

stage_fuzz() {
    echo "== libFuzzer targets, briefly"
    CC=clang CXX=clang++ build build-fuzz -DKESTREL_FUZZ=ON -DKESTREL_TESTS=OFF ||
        { failures+=("fuzz build"); failed=$((failed + 1)); return; }
    local seconds=${KESTREL_FUZZ_SECONDS:-20}
    for f in build-fuzz/fuzz/*; do
        [ -f "$f" ] && [ -x "$f" ] || continue
        local corpus
        corpus=$(mktemp -d)
        if "$f" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=0 "$corpus" >"$corpus.log" 2>&1; then
            echo "fuzz $(basename "$f"): ok"
            passed=$((passed + 1))
        else
            echo "fuzz $(basename "$f"): FAILED"
            tail -n 30 "$corpus.log"
            failed=$((failed + 1))
            failures+=("fuzzer $(basename "$f")")
        fi
        rm -rf "$corpus" "$corpus.log"
    done
}

for s in "${stages[@]}"; do
    case "$s" in
        plain | asan | tsan | wine | winexe | fuzz) "stage_$s" ;;
        *) echo "unknown stage: $s" >&2; exit 2 ;;
    esac
done

echo
for f in "${failures[@]}"; do echo "failed: $f"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
