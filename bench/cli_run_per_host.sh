#!/bin/bash
# Whether `linkwatch-cli run --no-delay` keeps to --per-host: 400 pages on
# four loopback hosts (127.0.0.2 to 127.0.0.5, one nginx listening on each),
# then 2 000 pages on one. Each page takes about a second to
# send, as from a partner far away, so that fetches overlap. From each
# nginx's log (when each request began and ended) it prints the most
# requests that host had at once, and the run's wall time beside the least
# that N at once per host allow.
#   cli_run_per_host.sh [BUILD_DIR] [N]    (default: build 8)
# Needs nginx and curl. Exits 1 when the setup fails, a verdict is wrong or
# a host had more than N at once.
set -euo pipefail

readonly page_bytes=$((18 * 1024))
readonly page_rate=16k # bytes a second: nginx sends the first second's worth at once, the rest 1 s later
readonly spread_pages=400
readonly one_host_pages=2000
readonly hosts=(127.0.0.2 127.0.0.3 127.0.0.4 127.0.0.5)
readonly query='http://www.linkwatch.example/'
readonly status_normal=$'\xD5\xFD\xB3\xA3' # 正常 in GBK: an entry every run checks
readonly bench_name=cli_run_per_host

build_dir=${1:-build}
per_host=${2:-8}
cli=$build_dir/src/cli/linkwatch-cli
for program in "$cli" /usr/sbin/nginx /usr/bin/curl; do
    [[ -x "$program" ]] || { echo "cli_run_per_host: $program is missing" >&2; exit 1; }
done
source "$(dirname "$0")/lib/loopback_nginx.bash"
log_requests=1

server_locations() {
    echo "    location / { limit_rate $page_rate; try_files /page.html =404; }"
}

write_page() {
    local line=$'<p>News, notes and links of a partner site, kept for the benchmark.</p>\n' page=
    while ((${#page} < page_bytes)); do page+=$line; done
    printf '%s<p><a href="%s">LinkWatch</a></p>\n' "${page:0:page_bytes}" "$query" >"$folder/www/page.html"
}

# A list of $1 pages spread in turn over the hosts given after it, to $2.
write_site_list() {
    local count=$1 list=$2
    shift 2
    awk -v count="$count" -v port="$port" -v hosts="$*" -v query="$query" -v normal="$status_normal" \
        'BEGIN { split(hosts, host, " "); printf "4,%d\r\n", count
                 for (n = 0; n < count; n++)
                     printf "0,%d,Partner %d\r\n1,%d,http://%s:%d/%d.html\r\n2,%d,%s\r\n3,%d,%s\r\n",
                         n + 1, n, n + 1, host[n % length(host) + 1], port, n, n + 1, query, n + 1, normal }' \
        >"$list"
}

# The most requests at once in an access log of "MSEC REQUEST_TIME STATUS"
# lines. nginx takes both times from one clock of milliseconds, so a request
# that begins in the same millisecond as another ends counts after it.
peak_at_once() {
    awk '{ printf "%.0f 1\n%.0f 0\n", ($1 - $2) * 1000, $1 * 1000 }' "$1" | sort -k1,1n -k2,2n |
        awk '$2 == 1 { if (++open > peak) peak = open } $2 == 0 { open-- } END { print peak + 0 }'
}

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

# One run over list $1 of $2 pages on the hosts after them; prints the report line.
run_list() {
    local list=$1 count=$2 start wall found host peak least_ms
    shift 2
    for host in "$@"; do : >"$(nginx_folder "$host")/access.log"; done
    start=$(now_ms)
    "$cli" run --no-delay --no-history --per-host "$per_host" --format tsv "$list" >"$list.tsv" || true
    wall=$(($(now_ms) - start))
    found=$(awk -F '\t' 'NR > 1 && $5 == "found" { n++ } END { print n + 0 }' "$list.tsv")
    ((found == count)) || { echo "cli_run_per_host: $found of $count pages found" >&2; exit 1; }
    # Each nginx writes its log as requests end; it is whole once the run is.
    for host in "$@"; do
        peak=$(peak_at_once "$(nginx_folder "$host")/access.log")
        echo "    $host: at most $peak requests at once"
        ((peak <= per_host)) || failed=1
    done
    least_ms=$((count / $# / per_host * one_page_ms))
    echo "  $count pages on $# host(s): $wall ms; $per_host at once per host allow $least_ms ms at best"
}

failed=0
write_page
port=
for host in "${hosts[@]}"; do start_nginx server_locations 256 "$host" "$port"; done
one_page_ms=$(curl -s -o /dev/null -w '%{time_total}' "http://${hosts[0]}:$port/page.html" |
    awk '{ printf "%d", $1 * 1000 }')
echo "--per-host $per_host; an $page_bytes-byte page takes $one_page_ms ms at $page_rate bytes a second"
write_site_list "$spread_pages" "$folder/spread.ini" "${hosts[@]}"
run_list "$folder/spread.ini" "$spread_pages" "${hosts[@]}"
write_site_list "$one_host_pages" "$folder/one.ini" "${hosts[0]}"
run_list "$folder/one.ini" "$one_host_pages" "${hosts[0]}"
((failed == 0)) || echo "cli_run_per_host: a host had more than $per_host requests at once" >&2
exit "$failed"
