#!/bin/bash
# What recording a run costs: checks 1000 pages of 18 KiB, served by nginx on
# loopback, with `linkwatch-cli run --no-delay --no-history` and with
# `linkwatch-cli run --no-delay` recording into a history database beside
# the list, three times each, taking turns, after one run to warm up. Prints
# the median wall time of each and how much the recording adds (goal: under
# 5 %). The database keeps every recorded run, as it would in use, and must
# hold all three when done.
#   cli_history_overhead.sh [BUILD_DIR]    (default: build)
# Needs nginx and curl. Exits 1 when the setup fails or a run's
# counts are wrong; a goal missed is reported, not an error.
set -euo pipefail

readonly site_count=1000
readonly page_bytes=$((18 * 1024))
readonly rounds=3
readonly overhead_goal_percent=5
readonly query='http://www.linkwatch.example/'
readonly status_normal=$'\xD5\xFD\xB3\xA3' # 正常 in GBK: an entry every run checks

build_dir=${1:-build}
cli=$build_dir/src/cli/linkwatch-cli
for program in "$cli" /usr/sbin/nginx /usr/bin/curl; do
    [[ -x "$program" ]] || { echo "cli_history_overhead: $program is missing" >&2; exit 1; }
done

folder=$(mktemp -d "${TMPDIR:-/tmp}/linkwatch-bench-XXXXXX")
nginx_pid=
finish() {
    if [[ -n "$nginx_pid" ]]; then
        kill "$nginx_pid" 2>/dev/null || true
        wait "$nginx_pid" 2>/dev/null || true
    fi
    rm -rf "$folder"
}
trap finish EXIT

# Page N holds the query when N is even; the link sits at the end, so that a
# search reads the whole page.
write_pages() {
    mkdir -p "$folder/www"
    local line=$'<p>News, notes and links of a partner site, kept for the benchmark.</p>\n'
    local found_tail="<p><a href=\"$query\">LinkWatch</a></p></body></html>"$'\n'
    local filler='<html><body>'$'\n'
    while ((${#filler} < page_bytes - ${#found_tail})); do filler+=$line; done
    filler=${filler:0:page_bytes - ${#found_tail}}
    local n
    for ((n = 0; n < site_count; n++)); do
        if ((n % 2 == 0)); then
            printf '%s' "$filler" "$found_tail" >"$folder/www/$n.html"
        else
            printf '%s' "$filler" "${found_tail//linkwatch/neighbour}" >"$folder/www/$n.html"
        fi
    done
}

write_nginx_config() {
    cat >"$folder/nginx.conf" <<CONFIG
daemon off;
master_process off;
pid $folder/nginx.pid;
error_log $folder/error.log;
worker_rlimit_nofile $((4 * site_count));
events { worker_connections $((2 * site_count)); multi_accept on; }
http {
  access_log off;
  client_body_temp_path $folder/temp/body;
  proxy_temp_path $folder/temp/proxy;
  fastcgi_temp_path $folder/temp/fastcgi;
  uwsgi_temp_path $folder/temp/uwsgi;
  scgi_temp_path $folder/temp/scgi;
  types { text/html html; }
  server { listen 127.0.0.1:$port backlog=$((2 * site_count)); root $folder/www; }
}
CONFIG
}

# nginx takes no port 0, so ports are tried at random until it serves page 0
# on one. Sets port and nginx_pid.
start_nginx() {
    mkdir -p "$folder/temp"
    local attempt wait
    for ((attempt = 0; attempt < 20; attempt++)); do
        port=$((20000 + RANDOM % 30000))
        write_nginx_config
        /usr/sbin/nginx -p "$folder" -e "$folder/error.log" -c "$folder/nginx.conf" 2>>"$folder/nginx.out" &
        nginx_pid=$!
        for ((wait = 0; wait < 100; wait++)); do
            curl -s "http://127.0.0.1:$port/0.html" | cmp -s - "$folder/www/0.html" && return 0
            kill -0 "$nginx_pid" 2>/dev/null || break
            sleep 0.05
        done
        kill "$nginx_pid" 2>/dev/null || true
        wait "$nginx_pid" 2>/dev/null || true
        nginx_pid=
    done
    echo "cli_history_overhead: nginx did not start:" >&2
    cat "$folder/nginx.out" "$folder/error.log" >&2
    return 1
}

# The site list in the grid file format the window keeps.
write_site_list() {
    local n
    {
        printf '4,%d\r\n' "$site_count"
        for ((n = 0; n < site_count; n++)); do
            printf '0,%d,Partner %d\r\n1,%d,http://127.0.0.1:%d/%d.html\r\n2,%d,%s\r\n3,%d,%s\r\n' \
                $((n + 1)) "$n" $((n + 1)) "$port" "$n" $((n + 1)) "$query" $((n + 1)) "$status_normal"
        done
    } >"$folder/sites.ini"
}

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

# One run with the options given; prints its wall time in ms. Its table must
# count half the sites found and half missing, or the run compared nothing.
timed_run() {
    local start elapsed counts
    start=$(now_ms)
    "$cli" run --no-delay --format tsv "$@" "$folder/sites.ini" >"$folder/run.tsv" 2>"$folder/run.err" || true
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
write_site_list
timed_run --no-history >/dev/null
without=()
with=()
for ((round = 0; round < rounds; round++)); do
    without+=("$(timed_run --no-history)")
    with+=("$(timed_run)")
done
recorded=$("$cli" history --limit 0 --format tsv "$folder/sites.ini" | tail -n +2 | wc -l)
if [[ "$recorded" != $((rounds * site_count)) ]]; then
    echo "cli_history_overhead: the database holds $recorded results, not $((rounds * site_count))" >&2
    exit 1
fi
without_ms=$(median "${without[@]}")
with_ms=$(median "${with[@]}")
overhead_x10=$(((with_ms - without_ms) * 1000 / (without_ms > 0 ? without_ms : 1)))
sign=
((overhead_x10 < 0)) && sign=- && overhead_x10=$((-overhead_x10))
echo "$site_count sites, $page_bytes-byte pages from nginx on 127.0.0.1:$port; median of $rounds runs each"
printf '  run --no-delay --no-history  %6d ms   (%s)\n' "$without_ms" "${without[*]}"
printf '  run --no-delay, recorded     %6d ms   (%s)\n' "$with_ms" "${with[*]}"
verdict=met
((with_ms * 100 >= without_ms * (100 + overhead_goal_percent))) && verdict="NOT met"
echo "  recording adds $sign$((overhead_x10 / 10)).$((overhead_x10 % 10)) % (goal < $overhead_goal_percent %: $verdict)"
