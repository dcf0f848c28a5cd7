#!/usr/bin/env bash
# The fuzz stage of CI: builds the libFuzzer targets with clang (preset
# "fuzz") and runs each for a bounded time on a scratch copy of its seed
# corpus, so nothing is written into the repository. A crash, leak, time-out,
# out-of-memory or sanitizer report fails the stage; the input at fault is
# kept in build/fuzz/artifacts/ and printed in base64.
# Called by .ci/run; runs on its own as well. FUZZ_SECONDS sets the time per
# target (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"

fuzzer_runtime_present() {
  compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null
}
if ! command -v clang++ >/dev/null || ! fuzzer_runtime_present; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev >/dev/null
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

work="$(mktemp -d "${TMPDIR:-/tmp}/scenario_fuzz.XXXXXX")"
trap 'rm -rf "$work"' EXIT
artifacts=build/fuzz/artifacts
rm -rf "$artifacts"
mkdir -p "$artifacts"

failed=0
# name, longest input, extra options. A 1,000,000 m line makes a 20 MB plan
# on every run: the memory limit leaves it room, and the time-out is far
# above what the largest accepted scenario takes.
run() {
  local name=$1 max_len=$2
  shift 2
  cp -r "fuzz/corpus/$name" "$work/$name"
  echo "-- ${name}_fuzz for ${seconds} s"
  if "build/fuzz/bin/${name}_fuzz" "$work/$name" -max_total_time="$seconds" \
      -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/${name}-" "$@" >"$work/$name.log" 2>&1; then
    grep -E '^Done |stat::number_of_executed_units|stat::peak_rss_mb' "$work/$name.log" || true
  else
    failed=1
    echo "${name}_fuzz FAILED; the end of its log:"
    tail -n 60 "$work/$name.log"
    for f in "$artifacts/${name}"-*; do
      [ -f "$f" ] || continue
      echo "input at fault: $f (base64)"
      base64 -w 0 "$f" | head -c 65536
      echo
    done
  fi
}

run field_reader 8192
run line_reader 16384 -dict=fuzz/scenario.dict
run compile 16384 -dict=fuzz/scenario.dict
run dump 32768
run decompile 65536
run lsp 65536 -dict=fuzz/scenario.dict

exit "$failed"
