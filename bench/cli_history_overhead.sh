#!/bin/bash
# What recording a run costs: checks 1000 pages of 18 KiB, served by nginx on
# loopback, with `linkwatch-cli run --no-delay --no-history` and with
# `linkwatch-cli run --no-delay` recording into a history database beside
# the list, three times each, taking turns, after 30 recorded runs (a month
# of daily runs) to warm up and grow the history. Prints the median wall time
# of each and how much the recording adds (goal: under 5 %). Then one run of
# each as operators start it, with the pauses between fetches that spare the
# partners' servers, where the same recording weighs far less. The database
# keeps every recorded run, as it would in use, and must hold them all when
# done.
#   cli_history_overhead.sh [BUILD_DIR]    (default: build)
# Needs nginx and curl. Exits 1 when the setup fails or a run's
# counts are wrong; a goal missed is reported, not an error.
set -euo pipefail

readonly site_count=1000
readonly page_bytes=$((18 * 1024))
readonly rounds=3
readonly earlier_runs=30
readonly overhead_goal_percent=5
readonly query='http://www.linkwatch.example/'
readonly status_normal=$'\xD5\xFD\xB3\xA3' # 正常 in GBK: an entry every run checks
readonly slow_rate=18k # unused here: every page is fetched at loopback speed
readonly bench_name=cli_history_overhead

build_dir=${1:-build}
cli=$build_dir/src/cli/linkwatch-cli
for program in "$cli" /usr/sbin/nginx /usr/bin/curl; do
    [[ -x "$program" ]] || { echo "cli_history_overhead: $program is missing" >&2; exit 1; }
done
source "$(dirname "$0")/lib/partner_pages.bash"

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

# One run with the options given; prints its wall time in ms. Its table must
# count half the sites found and half missing, or the run compared nothing.
timed_run() {
    local start elapsed counts
    start=$(now_ms)
    "$cli" run --format tsv "$@" "$folder/sites.ini" >"$folder/run.tsv" 2>"$folder/run.err" || true
    elapsed=$(($(now_ms) - start))
    counts=$(awk -F '\t' 'NR > 1 { n[$5]++ } END { printf "%d %d", n["found"], n["missing"] }' "$folder/run.tsv")
    if [[ "$counts" != "$((site_count / 2)) $((site_count / 2))" || -s "$folder/run.err" ]]; then
        echo "cli_history_overhead: run $* found/missing $counts:" >&2
        cat "$folder/run.err" >&2
        exit 1
    fi
    echo "$elapsed"
}

median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

write_pages
start_nginx
write_site_list "$folder/sites.ini" /
for ((run = 0; run < earlier_runs; run++)); do timed_run --no-delay >/dev/null; done
without=()
with=()
for ((round = 0; round < rounds; round++)); do
    without+=("$(timed_run --no-delay --no-history)")
    with+=("$(timed_run --no-delay)")
done
paced_without=$(timed_run --no-history)
paced_with=$(timed_run)
recorded=$("$cli" history --limit 0 --format tsv "$folder/sites.ini" | tail -n +2 | wc -l)
readonly recorded_runs=$((earlier_runs + rounds + 1))
if [[ "$recorded" != $((recorded_runs * site_count)) ]]; then
    echo "cli_history_overhead: the database holds $recorded results, not $((recorded_runs * site_count))" >&2
    exit 1
fi
# How much recording adds to a run of without_ms: "2.5 %" or "-0.4 %".
added_share() {
    local without_ms=$1 with_ms=$2 x10 sign=
    x10=$(((with_ms - without_ms) * 1000 / (without_ms > 0 ? without_ms : 1)))
    ((x10 < 0)) && sign=- && x10=$((-x10))
    echo "$sign$((x10 / 10)).$((x10 % 10)) %"
}

without_ms=$(median "${without[@]}")
with_ms=$(median "${with[@]}")
echo "$site_count sites, $page_bytes-byte pages from nginx on 127.0.0.1:$port; median of $rounds runs each," \
    "recorded after $earlier_runs earlier runs"
printf '  run --no-delay --no-history  %6d ms   (%s)\n' "$without_ms" "${without[*]}"
printf '  run --no-delay, recorded     %6d ms   (%s)\n' "$with_ms" "${with[*]}"
verdict=met
((with_ms * 100 >= without_ms * (100 + overhead_goal_percent))) && verdict="NOT met"
echo "  recording adds $(added_share "$without_ms" "$with_ms") (goal < $overhead_goal_percent %: $verdict)"
printf '  run --no-history             %6d ms   (one run, as operators start it)\n' "$paced_without"
printf '  run, recorded                %6d ms   (one run): recording adds %s\n' "$paced_with" \
    "$(added_share "$paced_without" "$paced_with")"
