#!/usr/bin/env bash
# Start-up of mirca-y to its painted main window, and its peak memory, over several runs on Qt's offscreen
# platform. The per-user stores go to a throw-away folder, so the first run also does the first-run step.
#   bench/startup.sh [BUILD_DIR] [RUNS]        (defaults: build, 10)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-10}
bin="$build/bin/mirca-y"
[ -x "$bin" ] || { echo "no $bin: build it first (cmake --build $build --target mirca-y mirca_data)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package 'time')" >&2; exit 2; }

scratch=$(mktemp -d /tmp/mirca-startup-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/run" QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

shown=()
rss=()
for i in $(seq "$runs"); do
    out=$(/usr/bin/time -v "$bin" --quit-after-show 2>"$scratch/time.txt") || {
        echo "run $i failed:" >&2
        cat "$scratch/time.txt" >&2
        exit 1
    }
    ms=$(sed -n 's/.*painted after \([0-9.]*\) ms (process start).*/\1/p' <<<"$out")
    kb=$(sed -n 's/.*Maximum resident set size (kbytes): \([0-9]*\).*/\1/p' "$scratch/time.txt")
    wall=$(sed -n 's/.*Elapsed (wall clock) time.*: \(.*\)/\1/p' "$scratch/time.txt")
    printf 'run %2d: shown after %6.1f ms, process wall time %s, peak RSS %6.1f MB\n' "$i" "$ms" "$wall" \
        "$(awk -v k="$kb" 'BEGIN { print k / 1024 }')"
    shown+=("$ms")
    rss+=("$kb")
done

summary() {
    sort -g | awk '{ v[NR] = $1; s += $1 } END {
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "min %.1f, median %.1f, mean %.1f, max %.1f", v[1], m, s / NR, v[NR] }'
}
echo "shown after (ms):  $(printf '%s\n' "${shown[@]}" | summary)   target < 300"
echo "peak RSS (MB):     $(printf '%s\n' "${rss[@]}" | awk '{ print $1 / 1024 }' | summary)   target < 60"
