#!/usr/bin/env bash
# Builds the suite with the thread sanitizer into build-tsan/ and with the address and
# undefined-behaviour sanitizers into build-asan/, one after the other, and runs every test
# program of the suite in each through ctest. Every sanitized process writes its reports to a
# file of its own, <build>/sanitizer-logs/report.<program>.<pid>; the script prints one line for
# each build and program with its reports and failed tests, and exits non-zero on any report or
# failure. Not part of ./test.sh: it builds the whole suite twice more.
#   ./sanitize.sh                      both builds
#   ./sanitize.sh thread               one of them (thread, or address,undefined)
# Left out, as they cannot run under a sanitizer:
# - the real-driver tier (Vivid*): its QEMU guest has neither the sanitizer runtimes nor the
#   memory the thread sanitizer's shadow takes;
# - the install tests (label install): they check the programs as shipped, hardened and packaged,
#   which a sanitizer build is not (cmake/Hardening.cmake leaves it unhardened).
# Suppressions (reports inside system libraries only) go in tests/support/system-libraries.tsan-supp
# and system-libraries.lsan-supp.
set -euo pipefail
cd "$(dirname "$0")"
source cmake/deps.sh
# The end-to-end test's X server and input; the rest of the test packages serve the left-out tiers.
tarnolix_packages+=(xvfb xauth xdotool)
tarnolix_install_deps

builds=("$@")
if [ ${#builds[@]} -eq 0 ]; then
    builds=(thread "address,undefined")
fi
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
export QT_QPA_PLATFORM=offscreen
report_pattern='WARNING: ThreadSanitizer:|ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:'
failed=0

# program_of <command words...>: the file of ours a test runs, its test program (or script).
program_of() {
    local word
    for word in "$@"; do
        if [ -f "$word" ] && [[ $word == "$PWD"/* ]]; then
            basename "$word"
            return
        fi
    done
    echo "${1:-}"
}

for build in "${builds[@]}"; do
    case $build in
        thread) dir="build-tsan" ;;
        address,undefined) dir="build-asan" ;;
        *) echo "unknown build '$build': thread or address,undefined" >&2; exit 2 ;;
    esac
    echo "== $build: building $dir"
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNOLIX_SANITIZE="$build" \
        -DTARNOLIX_BENCH=OFF "${launcher[@]}" >/dev/null
    cmake --build "$dir" -j2

    logs=$PWD/$dir/sanitizer-logs
    rm -rf "$logs"
    mkdir -p "$logs"
    common="log_path=$logs/report log_exe_name=1"
    # What the uninstrumented system libraries touch through memcpy, free and the like is theirs
    # (see the suppressions file).
    export TSAN_OPTIONS="$common suppressions=$PWD/tests/support/system-libraries.tsan-supp \
ignore_noninstrumented_modules=1 second_deadlock_stack=1"
    export ASAN_OPTIONS="$common detect_leaks=1"
    export LSAN_OPTIONS="$common suppressions=$PWD/tests/support/system-libraries.lsan-supp"
    export UBSAN_OPTIONS="$common print_stacktrace=1"
    selection=(--test-dir "$dir" -LE install -E '^Vivid')

    # Which program each test runs, by the test's number, and each program's test count.
    declare -A program_of_test=() tests=() reports=() failures=()
    while read -r number command; do
        read -ra words <<<"${command//\"/}"
        program=$(program_of "${words[@]}")
        program=${program:-unbuilt} # a test program that did not build has no command
        program_of_test[$number]=$program
        tests[$program]=$((${tests[$program]:-0} + 1))
        for word in "${words[@]:1}"; do # the programs a script is handed report under their own names
            if [ -x "$word" ] && [ -f "$word" ] && [[ $word == "$PWD/$dir"/* ]]; then
                reports[$(basename "$word")]=0
            fi
        done
    done < <(ctest "${selection[@]}" -N -V | sed -n 's/^\([0-9]\+\): Test command: \(.*\)$/\1 \2/p')

    echo "== $build: running ${#program_of_test[@]} tests (output in $dir/sanitize-ctest.log)"
    rm -f "$dir/Testing/Temporary/LastTestsFailed.log"
    started=$SECONDS
    ctest "${selection[@]}" -j2 --output-on-failure >"$dir/sanitize-ctest.log" 2>&1 || true
    echo "== $build: tests ran for $((SECONDS - started)) s"

    if [ -f "$dir/Testing/Temporary/LastTestsFailed.log" ]; then
        while IFS=: read -r number name; do
            program=${program_of_test[$number]:-$name}
            failures[$program]=$((${failures[$program]:-0} + 1))
        done <"$dir/Testing/Temporary/LastTestsFailed.log"
    fi
    for file in "$logs"/report.*; do
        [ -e "$file" ] || continue
        program=${file#"$logs"/report.}
        program=${program%.*}
        count=$(grep -Ec "$report_pattern" "$file" || true)
        reports[$program]=$((${reports[$program]:-0} + count))
    done
    for program in $(printf '%s\n' "${!tests[@]}" "${!reports[@]}" | sort -u); do
        line=$(printf '%-18s %-34s reports %3d' "$build" "$program" "${reports[$program]:-0}")
        if [ -n "${tests[$program]:-}" ]; then
            line+=$(printf '   tests %4d failed %3d' "${tests[$program]}" "${failures[$program]:-0}")
        fi
        echo "$line"
        if [ "${reports[$program]:-0}" -ne 0 ] || [ "${failures[$program]:-0}" -ne 0 ]; then
            failed=1
        fi
    done
    if [ -f "$dir/Testing/Temporary/LastTestsFailed.log" ]; then
        failed=1 # also a test that ctest could not attribute
        echo "failed tests:"
        sed 's/^/    /' "$dir/Testing/Temporary/LastTestsFailed.log"
    fi
    for file in "$logs"/report.*; do
        # A file that only lists the suppressions used holds no report.
        [ -e "$file" ] && grep -qE "$report_pattern" "$file" || continue
        echo "reports in $file:"
        grep -E '^SUMMARY:' "$file" | sed 's/^/    /' || true
    done
    unset program_of_test tests reports failures
done
exit "$failed"
