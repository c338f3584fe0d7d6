#!/usr/bin/env bash
# The headless demonstration: every effect item applied by tarnolix-fx to the test picture that
# the build makes, each written to OUT/<item>.bmp; keying shows the test background through the
# picture's blue panel.
# usage: tools/fx-demo.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$1
out=$2
fx=$build/tools/tarnolix-fx
picture=$build/tools/test-picture.bmp
mkdir -p "$out"
count=0
while IFS=$'\t' read -r name caption; do
    "$fx" --seed 1 --key 0000FF --background "$build/tools/test-background.bmp" \
        "$name" "$picture" "$out/$name.bmp"
    echo "  $out/$name.bmp  ($caption)"
    count=$((count + 1))
done < <("$fx" --list)
echo "$count effects applied to $picture; the pictures are in $(cd "$out" && pwd)/"
