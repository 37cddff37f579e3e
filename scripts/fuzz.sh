#!/usr/bin/env bash
# Fuzzes every reader of untrusted bytes with libFuzzer (clang, AddressSanitizer,
# UndefinedBehaviorSanitizer) for SECONDS each (default 600), one target after
# the other, and prints a table of executions and findings.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
# Each target's corpus grows in build-fuzz/corpus/NAME, seeded from the baked
# data, the game's own writers and the corpus kept in fuzz/corpus/NAME; crashes
# land in build-fuzz/crashes/NAME. ./test.sh replays fuzz/corpus and
# fuzz/regressions: a crash worth keeping goes to fuzz/regressions/NAME, and
#   build-fuzz/fuzz/fuzz_NAME -merge=1 fuzz/corpus/NAME build-fuzz/corpus/NAME
# adds what a run found that reaches new code to the kept corpus.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-600}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(image_archive sound_archive options high_scores replay_script submission)
build="$root/build-fuzz"

if ! command -v clang++-14 >/dev/null 2>&1 || [ ! -e /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a ]; then
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends clang-14 libfuzzer-14-dev
fi
# The baked data seeds the image corpus; the ordinary build makes it.
[ -e "$root/build/Data/Res/Res3.dxg" ] || "$root/scripts/setup.sh" "$root/build"

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRAKKON_FUZZ=ON -DBRAKKON_SDL=OFF -DBRAKKON_BAKE=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target brakkon_fuzz_all brakkon_fuzz_seeds
"$build/fuzz/brakkon_fuzz_seeds" "$build/fuzz/seeds" "$root/build/Data" "$root/tests/replay/golden"

# Inputs larger than the biggest seed by far reach no new code, only slower runs.
declare -A max_len=([image_archive]=65536 [sound_archive]=16384 [options]=1024 [high_scores]=4096
                    [replay_script]=8192 [submission]=1024)
summary="$build/summary.txt"
printf '%-15s %10s %12s %8s %8s %s\n' target seconds executions exec/s corpus findings >"$summary"
for name in "${targets[@]}"; do
  corpus="$build/corpus/$name"
  crashes="$build/crashes/$name"
  mkdir -p "$corpus" "$crashes"
  dictionary=()
  [ -e "$root/fuzz/$name.dict" ] && dictionary=(-dict="$root/fuzz/$name.dict")
  log="$build/$name.log"
  echo "== fuzz_$name for ${seconds}s (log: $log)"
  set +e
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 "$build/fuzz/fuzz_$name" \
    -max_total_time="$seconds" -max_len="${max_len[$name]}" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$crashes/" "${dictionary[@]}" \
    "$corpus" "$build/fuzz/seeds/$name" "$root/fuzz/corpus/$name" >"$log" 2>&1
  status=$?
  set -e
  runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo 0)
  rate=$(grep -oE 'stat::average_exec_per_sec: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo 0)
  size=$(find "$corpus" -type f | wc -l)
  found=$(find "$crashes" -type f | wc -l)
  [ "$status" -eq 0 ] || [ "$found" -gt 0 ] || found="exit $status"
  printf '%-15s %10s %12s %8s %8s %s\n' "$name" "$seconds" "$runs" "$rate" "$size" "$found" >>"$summary"
done
cat "$summary"
