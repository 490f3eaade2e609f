#!/usr/bin/env bash
# Native build and test of the table core (spreadsheet/core) on Linux.
#
# Installs what it needs when run as root on Debian, configures build/native with clang and
# AddressSanitizer + UndefinedBehaviorSanitizer (no recovery), builds, runs the tests with ctest,
# checks that the core compiles with the mingw cross compiler where one is installed, and fuzzes the
# parser through both fuzz targets for VEX_FUZZ_SECONDS seconds in all (default 60, shared between
# them) seeded with the test documents. Any failing test, crash, leak, sanitizer report or difference
# between the adapters makes it exit non-zero.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build/native"
fuzz_seconds="${VEX_FUZZ_SECONDS:-60}"
tests_dir="$root/tests/spreadsheet/core"

step() { printf '\n== %s\n' "$*"; }

# Installs what is missing when run as root (the list is shared with the other scripts).
"$root/scripts/packages"

sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

step "configure $build (clang, $sanitizers)"
cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_FLAGS="$sanitizers" -DCMAKE_CXX_FLAGS="$sanitizers" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" -DVEX_TABLECORE_FUZZ=ON >/dev/null

step "build"
cmake --build "$build"

step "tests"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"

if command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1; then
    step "core compiles with mingw"
    mingw_out="$build/mingw-check"
    mkdir -p "$mingw_out"
    for source in "$root"/spreadsheet/core/*.cpp; do
        x86_64-w64-mingw32-g++-posix -std=c++20 -Wall -Wextra -Werror -I"$root/spreadsheet" \
            -c "$source" -o "$mingw_out/$(basename "$source" .cpp).o"
    done
fi

# The two fuzz targets share the time: the parser through the pugixml adapter, and the parse of a
# stream through the streaming adapter held against it.
fuzz_each=$(((fuzz_seconds + 1) / 2))
artifacts="$build/fuzz-artifacts"
rm -rf "$build/fuzz-corpus" "$artifacts"
mkdir -p "$artifacts"
for fuzzer in table_parser_fuzzer streaming_parser_fuzzer; do
    step "fuzz $fuzzer for ${fuzz_each} s"
    corpus="$build/fuzz-corpus/$fuzzer"
    mkdir -p "$corpus"
    cp "$tests_dir"/documents/*.xml "$corpus"/
    find "$tests_dir/regressions" -type f ! -name '*.md' -exec cp {} "$corpus"/ \;
    "$build/table_document_generator" 12 6 "$corpus/generated_12x6.xml"
    "$build/$fuzzer" -max_total_time="$fuzz_each" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
        -dict="$tests_dir/fuzz/table_document.dict" -artifact_prefix="$artifacts/$fuzzer-" -print_final_stats=1 \
        "$corpus" 2>"$build/$fuzzer.log" || {
        tail -n 60 "$build/$fuzzer.log"
        echo "fuzzing found a problem: input kept in $artifacts" >&2
        exit 1
    }
    grep -E '^stat::number_of_executed_units|^Done' "$build/$fuzzer.log" || true
done

step "native table core: all passed"
