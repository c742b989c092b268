#!/bin/bash
# What a site costs as lists grow: `linkwatch-cli run --no-delay --no-history`
# over 1 000, 10 000 and 100 000 sites, every one an 18 KiB page from nginx on
# loopback (even numbers hold the query, odd ones do not), beside
# `wrk -H "Connection: close"` on the same page in the same run, a new
# connection per request as a site costs. Prints wall time, peak resident
# memory and wall per site of each run, and its sites per second as a share
# of wrk's requests per second.
#
# Then one 256 MiB body from the same nginx, kept in memory by
# `linkwatch-cli fetch` (written to /dev/null once it is all in) and written
# to tmpfs by curl, five times each, taking turns; prints the medians.
#   cli_run_scale.sh [BUILD_DIR] [SITE_COUNT ...]  (default: build 1000 10000 100000)
# Needs nginx, wrk, curl and GNU time. Exits 1 when the setup fails or a
# run's verdicts are wrong; a goal missed is reported, not an error.
set -euo pipefail

readonly page_bytes=$((18 * 1024))
readonly big_body_mib=256
readonly rounds=5
readonly wrk_seconds=5
readonly wrk_connections=50
readonly rate_goal_percent=50
readonly memory_goal_kib=$((100 * 1024))
readonly flatness_goal_x10=15
readonly query='http://www.linkwatch.example/'
readonly status_normal=$'\xD5\xFD\xB3\xA3' # 正常 in GBK: an entry every run checks
# More than the descriptors linkwatch-cli may use at once.
readonly nginx_connections=32768
readonly bench_name=cli_run_scale

build_dir=${1:-build}
shift || true
site_counts=("$@")
((${#site_counts[@]} > 0)) || site_counts=(1000 10000 100000)
cli=$build_dir/src/cli/linkwatch-cli
for program in "$cli" /usr/sbin/nginx /usr/bin/wrk /usr/bin/curl /usr/bin/time; do
    [[ -x "$program" ]] || { echo "cli_run_scale: $program is missing" >&2; exit 1; }
done
source "$(dirname "$0")/lib/loopback_nginx.bash"

# The two pages every site gets one of, and the large body.
write_pages() {
    local head=$'<html><head><title>Partner page</title></head><body>\n'
    local found_tail="<p><a href=\"$query\">LinkWatch</a></p></body></html>"$'\n'
    local missing_tail=${found_tail//linkwatch/neighbour}
    local line=$'<p>News, notes and links of a partner site, kept for the benchmark.</p>\n'
    local filler=
    local room=$((page_bytes - ${#head} - ${#found_tail}))
    while ((${#filler} < room)); do filler+=$line; done
    filler=${filler:0:room}
    printf '%s' "$head" "$filler" "$found_tail" >"$folder/www/found.html"
    printf '%s' "$head" "$filler" "$missing_tail" >"$folder/www/missing.html"
    head -c $((big_body_mib << 20)) /dev/urandom >"$folder/www/big.bin"
}

# Page N.html is the found page for even N, the missing one for odd N.
server_locations() {
    cat <<'EOF'
    location ~ [02468]\.html$ { try_files /found.html =404; }
    location ~ [13579]\.html$ { try_files /missing.html =404; }
EOF
}

# A site list of $1 sites in the grid file format the window keeps (entries
# only, cell lines "column,row,text") to $2.
write_site_list() {
    awk -v count="$1" -v base="http://127.0.0.1:$port/" -v query="$query" -v normal="$status_normal" \
        'BEGIN { printf "4,%d\r\n", count
                 for (n = 0; n < count; n++)
                     printf "0,%d,Partner %d\r\n1,%d,%s%d.html\r\n2,%d,%s\r\n3,%d,%s\r\n",
                         n + 1, n, n + 1, base, n, n + 1, query, n + 1, normal }' >"$2"
}

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

# wrk's requests per second on the found page, a new connection each.
wrk_rate() {
    /usr/bin/wrk -t 2 -c "$wrk_connections" -d "${wrk_seconds}s" -H 'Connection: close' \
        "http://127.0.0.1:$port/0.html" | awk '/^Requests\/sec:/ { printf "%d", $2 }'
}

# One run over $1 sites: prints "wall_ms peak_kib found missing unreachable".
timed_run() {
    local list=$folder/sites-$1.ini start elapsed
    write_site_list "$1" "$list"
    start=$(now_ms)
    /usr/bin/time -q -f %M -o "$list.rss" "$cli" run --no-delay --no-history --format tsv "$list" \
        >"$list.tsv" 2>"$list.err" || true
    elapsed=$(($(now_ms) - start))
    echo "$elapsed $(<"$list.rss") $(awk -F '\t' 'NR > 1 { n[$5]++ }
        END { printf "%d %d %d", n["found"], n["missing"], n["unreachable"] }' "$list.tsv")"
}

median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

# "12.3" from a value times ten.
tenths() { echo "$(($1 / 10)).$(($1 % 10))"; }

verdict() { if (("$1")); then echo met; else echo "NOT met"; fi; }

# The large body: linkwatch-cli fetch and curl in turn; prints "cli_ms curl_ms".
big_body_medians() {
    local url=http://127.0.0.1:$port/big.bin round start cli_times=() curl_times=()
    for ((round = 0; round < rounds; round++)); do
        start=$(now_ms)
        "$cli" fetch "$url" >/dev/null 2>"$folder/fetch.err"
        cli_times+=($(($(now_ms) - start)))
        start=$(now_ms)
        /usr/bin/curl -s -o /dev/shm/linkwatch-bench-body "$url"
        curl_times+=($(($(now_ms) - start)))
        rm -f /dev/shm/linkwatch-bench-body
    done
    grep -q '^result=1 code=200 ' "$folder/fetch.err" || { cat "$folder/fetch.err" >&2; return 1; }
    echo "$(median "${cli_times[@]}") $(median "${curl_times[@]}")"
}

write_pages
start_nginx server_locations "$nginx_connections"
rate=$(wrk_rate)
echo "sites from nginx on 127.0.0.1:$port, $page_bytes-byte pages; wrk -H 'Connection: close'" \
    "-c $wrk_connections: $rate requests/s"
printf '  %7s %9s %9s %12s %10s  %s\n' sites wall_ms peak_KiB ms_per_site "% of wrk" verdicts
first_per_site_x1000=
failed=0
for count in "${site_counts[@]}"; do
    read -r wall_ms peak_kib found missing unreachable < <(timed_run "$count")
    per_site_x1000=$((wall_ms * 1000 / count))
    share_x10=$((count * 1000000 / (wall_ms > 0 ? wall_ms : 1) / (rate > 0 ? rate : 1)))
    printf '  %7d %9d %9d %12s %10s  found %d missing %d unreachable %d\n' "$count" "$wall_ms" "$peak_kib" \
        "$((per_site_x1000 / 1000)).$(printf %03d $((per_site_x1000 % 1000)))" "$(tenths "$share_x10")" \
        "$found" "$missing" "$unreachable"
    if ((found != (count + 1) / 2 || missing != count / 2 || unreachable != 0)); then
        echo "cli_run_scale: $count sites: wrong verdicts" >&2
        failed=1
    fi
    [[ -n "$first_per_site_x1000" ]] || first_per_site_x1000=$per_site_x1000
done
last=${site_counts[-1]}
echo "  $last sites: $(tenths "$share_x10") % of wrk's rate (goal >= $rate_goal_percent %:" \
    "$(verdict "share_x10 >= rate_goal_percent * 10"))," \
    "peak $((peak_kib / 1024)) MiB (goal < $((memory_goal_kib / 1024)) MiB: $(verdict "peak_kib < memory_goal_kib")),"
flat_x10=$((per_site_x1000 * 10 / (first_per_site_x1000 > 0 ? first_per_site_x1000 : 1)))
echo "  wall per site $(tenths "$flat_x10") x that of ${site_counts[0]} sites" \
    "(goal <= $(tenths "$flatness_goal_x10") x: $(verdict "flat_x10 <= flatness_goal_x10"))"

read -r cli_ms curl_ms < <(big_body_medians)
echo "$big_body_mib MiB body, median of $rounds in turn: linkwatch-cli fetch (in memory) $cli_ms ms," \
    "curl -o /dev/shm $curl_ms ms (goal: not slower than curl: $(verdict "cli_ms <= curl_ms"))"
exit "$failed"
