#!/bin/bash
# What reading robots.txt costs a run: `linkwatch-cli run --no-delay
# --no-history` over 1 000 pages spread over ten loopback hosts (127.0.0.2 to
# 127.0.0.11, one nginx listening on each), by default and with
# --no-robots-txt, in turn. From the robots.txt requests the nginx servers log
# it checks that each run asked every host once, and it prints the median
# wall time of each way beside the goal (within 10 % of the run without).
#   cli_run_robots_txt.sh [BUILD_DIR] [ROUNDS]    (default: build 5)
# Needs nginx and curl. Exits 1 when the setup fails, a verdict is wrong or a
# run asked for robots.txt other than once per host; a goal missed is
# reported, not an error.
set -euo pipefail

readonly page_bytes=$((18 * 1024))
readonly page_count=1000
readonly hosts=(127.0.0.2 127.0.0.3 127.0.0.4 127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.8 127.0.0.9 127.0.0.10
    127.0.0.11)
readonly goal_percent=10
readonly query='http://www.linkwatch.example/'
readonly status_normal=$'\xD5\xFD\xB3\xA3' # 正常 in GBK: an entry every run checks
readonly bench_name=cli_run_robots_txt

build_dir=${1:-build}
rounds=${2:-5}
cli=$build_dir/src/cli/linkwatch-cli
for program in "$cli" /usr/sbin/nginx /usr/bin/curl; do
    [[ -x "$program" ]] || { echo "$bench_name: $program is missing" >&2; exit 1; }
done
source "$(dirname "$0")/lib/loopback_nginx.bash"
robots_log=$folder/robots.log

# Every nginx logs its robots.txt requests to the one file; the pages go unlogged.
server_locations() {
    echo "    location = /robots.txt { access_log $robots_log; }"
    echo "    location / { try_files /page.html =404; }"
}

write_files() {
    local line=$'<p>News, notes and links of a partner site, kept for the benchmark.</p>\n' page=
    while ((${#page} < page_bytes)); do page+=$line; done
    printf '%s<p><a href="%s">LinkWatch</a></p>\n' "${page:0:page_bytes}" "$query" >"$folder/www/page.html"
    printf 'User-agent: *\nDisallow: /private/\n\nUser-agent: Baiduspider\nDisallow: /search\n' \
        >"$folder/www/robots.txt"
}

# The pages spread in turn over the hosts.
write_site_list() {
    awk -v count="$page_count" -v port="$port" -v hosts="${hosts[*]}" -v query="$query" \
        -v normal="$status_normal" \
        'BEGIN { split(hosts, host, " "); printf "4,%d\r\n", count
                 for (n = 0; n < count; n++)
                     printf "0,%d,Partner %d\r\n1,%d,http://%s:%d/%d.html\r\n2,%d,%s\r\n3,%d,%s\r\n",
                         n + 1, n, n + 1, host[n % length(host) + 1], port, n, n + 1, query, n + 1, normal }' \
        >"$folder/sites.ini"
}

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

# One run with the options given; prints its wall time. Exits when a verdict
# is wrong or robots.txt was asked for other than once per host (none with
# --no-robots-txt).
timed_run() {
    local start wall found allowed asked wanted=${#hosts[@]}
    : >"$robots_log"
    start=$(now_ms)
    "$cli" run --no-delay --no-history --format tsv "$@" "$folder/sites.ini" >"$folder/run.tsv" || true
    wall=$(($(now_ms) - start))
    read -r found allowed < <(awk -F '\t' 'NR == 1 { for (c = 1; c <= NF; c++) column[$c] = c }
        NR > 1 && $column["outcome"] == "found" { found++ }
        NR > 1 && $column["robots_txt"] == "allowed" { allowed++ }
        END { print found + 0, allowed + 0 }' "$folder/run.tsv")
    asked=$(wc -l <"$robots_log")
    [[ "$*" != *--no-robots-txt* ]] || wanted=0
    ((found == page_count)) || { echo "$bench_name: $found of $page_count pages found" >&2; exit 1; }
    ((asked == wanted)) || { echo "$bench_name: robots.txt asked $asked times, not $wanted" >&2; exit 1; }
    ((allowed == (wanted ? page_count : 0))) || { echo "$bench_name: $allowed pages allowed" >&2; exit 1; }
    echo "$wall"
}

write_files
port=
for host in "${hosts[@]}"; do start_nginx server_locations 256 "$host" "$port"; done
write_site_list
echo "$page_count pages of $page_bytes bytes on ${#hosts[@]} hosts, $rounds runs each way in turn"
with=()
without=()
for ((round = 0; round < rounds; round++)); do
    with+=("$(timed_run)")
    without+=("$(timed_run --no-robots-txt)")
done
with_ms=$(median "${with[@]}")
without_ms=$(median "${without[@]}")
echo "  robots.txt asked once per host in every run: ${#hosts[@]} requests a run"
echo "  wall ms with robots.txt: ${with[*]} (median $with_ms)"
echo "  wall ms --no-robots-txt: ${without[*]} (median $without_ms)"
extra_x10=$(((with_ms - without_ms) * 1000 / (without_ms > 0 ? without_ms : 1)))
met="NOT met"
((extra_x10 <= goal_percent * 10)) && met=met
sign=
((extra_x10 >= 0)) || sign=-
size_x10=$((extra_x10 < 0 ? -extra_x10 : extra_x10))
echo "  robots.txt costs $sign$((size_x10 / 10)).$((size_x10 % 10)) % (goal <= $goal_percent %: $met)"
