#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer into
# build-fuzz/, then runs each for a bounded time (FUZZ_SECONDS, 60 by default), starting from
# the test pictures and tests/data/corrupt/. Crashes land in build-fuzz/crashes/<target>/; copy
# each into tests/data/corrupt/ once fixed, so the tests keep reading it.
#   ./fuzz.sh                 every target
#   ./fuzz.sh bmp_reader_fuzz one target
set -euo pipefail
cd "$(dirname "$0")"
source cmake/deps.sh
tarnolix_packages+=(clang libclang-rt-14-dev)
tarnolix_install_deps

seconds=${FUZZ_SECONDS:-60}
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(bmp_reader_fuzz jpeg_fuzz mjpeg_decompressor_fuzz)
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARNOLIX_FUZZ=ON -DTARNOLIX_SANITIZE=address,undefined -DTARNOLIX_TESTS=OFF -DTARNOLIX_BENCH=OFF
cmake --build build-fuzz -j2 --target "${targets[@]}"

seeds() {
    case $1 in
        bmp_reader_fuzz) find tests/data ../shared/bmpsuite -name '*.bmp' 2>/dev/null ;;
        jpeg_fuzz | mjpeg_decompressor_fuzz) find tests/data -name '*.jpg' 2>/dev/null ;;
    esac
    find tests/data/corrupt -type f 2>/dev/null
}

for target in "${targets[@]}"; do
    corpus=build-fuzz/corpus/$target
    crashes=build-fuzz/crashes/$target
    mkdir -p "$corpus" "$crashes"
    seeds "$target" | while read -r file; do cp -n "$file" "$corpus/" 2>/dev/null || true; done
    echo "== $target for ${seconds}s"
    build-fuzz/fuzz/$target "$corpus" -max_total_time="$seconds" -rss_limit_mb=3072 -max_len=200000 \
        -artifact_prefix="$crashes/" -print_final_stats=1
done
