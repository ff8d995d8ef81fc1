#!/usr/bin/env bash
# Runs every test under AddressSanitizer and UndefinedBehaviorSanitizer, then each
# libFuzzer target for the given number of seconds (default 60).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
seconds="${1:-60}"

packages+=(clang libclang-rt-14-dev)
install_missing

cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSANITIZE=ON -DWARNINGS_AS_ERRORS=ON
cmake --build "$root/build-asan" -j"$(nproc)"
(cd "$root/build-asan" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure)

cmake -S "$root" -B "$root/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DFUZZING=ON -DBUILD_TESTING=OFF
cmake --build "$root/build-fuzz" -j"$(nproc)"
work="$(mktemp -d)"
for target in inifile xmlfile; do
    mkdir -p "$work/$target"
    echo "== fuzz_$target for ${seconds}s"
    "$root/build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=65536 \
        -artifact_prefix="$work/$target-" "$work/$target" "$root/fuzz/corpus/$target" 2>&1 | tail -n 3
done
echo "fuzzing found nothing"
