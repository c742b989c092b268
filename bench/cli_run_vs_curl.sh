#!/bin/bash
# Checks 1000 pages of 18 KiB, served by nginx on loopback, twice in one run:
# with `linkwatch-cli run --no-delay`, and with xargs running 50 at a time
# `curl -s URL | grep -qF QUERY` per page. Prints the wall time of each, the
# ratio and linkwatch-cli's peak resident memory. Every other page holds the
# query; both tools must find the same half, or the run compared nothing.
#
# Then runs linkwatch-cli once more under `ulimit -n 256` and counts how its
# sites ended: none may end with error 10024 (too many open files). That run
# fetches the pages at about a second each, as from partners far away: served
# at loopback speed, a page is done before a few hundred fetches have started,
# and the limit is never reached.
#   cli_run_vs_curl.sh [BUILD_DIR]    (default: build)
# Needs nginx, curl and GNU time. Exits 1 when the setup fails or a tool's
# counts are wrong; a goal missed is reported, not an error.
set -euo pipefail

readonly site_count=1000
readonly page_bytes=$((18 * 1024))
readonly parallel_fetches=50
readonly limited_open_files=256
readonly slow_rate=18k # bytes a second for each fetch of the limited run
readonly speed_goal=5
readonly memory_goal_kib=$((50 * 1024))
readonly query='http://www.linkwatch.example/'
readonly status_normal=$'\xD5\xFD\xB3\xA3' # 正常 in GBK: an entry every run checks
readonly bench_name=cli_run_vs_curl

build_dir=${1:-build}
cli=$build_dir/src/cli/linkwatch-cli
for program in "$cli" /usr/sbin/nginx /usr/bin/curl /usr/bin/time; do
    [[ -x "$program" ]] || { echo "cli_run_vs_curl: $program is missing" >&2; exit 1; }
done
source "$(dirname "$0")/lib/partner_pages.bash"

# The addresses of the same pages, one a line, for xargs.
write_url_list() {
    local n
    for ((n = 0; n < site_count; n++)); do
        echo "http://127.0.0.1:$port/$n.html"
    done >"$folder/urls.txt"
}

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

# The pipeline: one shell per page, 50 at a time, each printing found or missing.
run_pipeline() {
    # shellcheck disable=SC2016 # the inner shell expands its own arguments
    xargs -d '\n' -P "$parallel_fetches" -n 1 \
        sh -c 'if curl -s "$2" | grep -qF "$1"; then echo found; else echo missing; fi' page "$query" \
        <"$folder/urls.txt" >"$folder/pipeline.out"
}

# linkwatch-cli over the list $1: its table in tsv to $1.tsv, its peak
# resident memory in KiB to $1.rss. Its exit status tells of missing sites:
# the counts tell more.
run_cli() {
    /usr/bin/time -q -f %M -o "$1.rss" "$cli" run --no-delay --format tsv "$1" >"$1.tsv" || true
}

# "found N missing N unreachable N", from a tsv table (outcome in column 5)
# or from the pipeline's lines.
outcome_counts() {
    awk -F '\t' '{ outcome = NF > 1 ? $5 : $1 } { n[outcome]++ }
        END { printf "found %d missing %d unreachable %d", n["found"], n["missing"], n["unreachable"] }' "$1"
}

# Sites of a tsv table that ended with error 10024 (column 9).
too_many_files_count() { awk -F '\t' 'NR > 1 && $9 == "10024" { n++ } END { print n + 0 }' "$1"; }

verdict() { if (("$1")); then echo met; else echo "NOT met"; fi; }

write_pages
start_nginx
write_site_list "$folder/sites.ini" /
write_site_list "$folder/slow-sites.ini" /slow/
write_url_list

start=$(now_ms)
run_pipeline
pipeline_ms=$(($(now_ms) - start))
start=$(now_ms)
run_cli "$folder/sites.ini"
cli_ms=$(($(now_ms) - start))
start=$(now_ms)
(
    ulimit -n "$limited_open_files"
    run_cli "$folder/slow-sites.ini"
)
limited_ms=$(($(now_ms) - start))

pipeline_counts=$(outcome_counts "$folder/pipeline.out")
cli_counts=$(outcome_counts "$folder/sites.ini.tsv")
limited_counts=$(outcome_counts "$folder/slow-sites.ini.tsv")
cli_kib=$(<"$folder/sites.ini.rss")
limited_kib=$(<"$folder/slow-sites.ini.rss")
too_many_files=$(too_many_files_count "$folder/slow-sites.ini.tsv")
ratio_x10=$((pipeline_ms * 10 / (cli_ms > 0 ? cli_ms : 1)))

echo "$site_count sites, $page_bytes-byte pages from nginx on 127.0.0.1:$port, every other one with the query"
printf '  xargs -P %d curl | grep -qF  %6d ms                %s\n' "$parallel_fetches" "$pipeline_ms" \
    "$pipeline_counts"
printf '  linkwatch-cli run --no-delay %6d ms  peak %6d KiB  %s\n' "$cli_ms" "$cli_kib" "$cli_counts"
printf '  the same, ulimit -n %d,\n    pages at %s bytes/s     %6d ms  peak %6d KiB  %s, error 10024: %d\n' \
    "$limited_open_files" "$slow_rate" "$limited_ms" "$limited_kib" "$limited_counts" "$too_many_files"
echo "  linkwatch-cli is $((ratio_x10 / 10)).$((ratio_x10 % 10)) x as fast as the pipeline" \
    "(goal >= $speed_goal x: $(verdict "ratio_x10 >= speed_goal * 10"))"
mib_x10=$((cli_kib * 10 / 1024))
echo "  peak $((mib_x10 / 10)).$((mib_x10 % 10)) MiB (goal < $((memory_goal_kib / 1024)) MiB:" \
    "$(verdict "cli_kib < memory_goal_kib"))"
echo "  error 10024 under ulimit -n $limited_open_files: $too_many_files (goal 0: $(verdict "too_many_files == 0"))"
expected="found $((site_count / 2)) missing $((site_count / 2)) unreachable 0"
for counts in "$pipeline_counts" "$cli_counts"; do
    if [[ "$counts" != "$expected" ]]; then
        echo "cli_run_vs_curl: a tool did not find $expected" >&2
        exit 1
    fi
done
