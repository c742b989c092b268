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

build_dir=${1:-build}
cli=$build_dir/src/cli/linkwatch-cli
for program in "$cli" /usr/sbin/nginx /usr/bin/curl /usr/bin/time; do
    [[ -x "$program" ]] || { echo "cli_run_vs_curl: $program is missing" >&2; exit 1; }
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

# Writes page N: the even ones link to the query, the odd ones to a
# neighbour; the link sits at the end, so that a search reads the whole page.
write_pages() {
    mkdir -p "$folder/www"
    local head=$'<html><head><title>Partner page 0000</title></head><body>\n'
    local found_tail="<p><a href=\"$query\">LinkWatch</a></p></body></html>"$'\n'
    local missing_tail=${found_tail//linkwatch/neighbour}
    local line=$'<p>News, notes and links of a partner site, kept for the benchmark.</p>\n'
    local filler=
    local room=$((page_bytes - ${#head} - ${#found_tail}))
    while ((${#filler} < room)); do filler+=$line; done
    filler=${filler:0:room}
    local number tail n
    for ((n = 0; n < site_count; n++)); do
        printf -v number %04d "$n"
        tail=$missing_tail
        ((n % 2 == 0)) && tail=$found_tail
        printf '%s' "${head/0000/$number}" "$filler" "$tail" >"$folder/www/$n.html"
    done
}

# nginx in the foreground, with room for every site's connection at once:
# linkwatch-cli opens them all together.
write_nginx_config() {
    cat >"$folder/nginx.conf" <<EOF
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
  server {
    listen 127.0.0.1:$port backlog=$((2 * site_count));
    root $folder/www;
    location /slow/ { alias $folder/www/; limit_rate $slow_rate; }
  }
}
EOF
}

# Tries ports at random until nginx serves page 0 on one: nginx takes no port
# 0 to let the system choose, and ends when its port is taken. Sets port and
# nginx_pid.
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
    echo "cli_run_vs_curl: nginx did not start:" >&2
    cat "$folder/nginx.out" "$folder/error.log" >&2
    return 1
}

# A site list in the grid file format the window keeps (entries only, cell
# lines "column,row,text") to $1, its pages under the path $2.
write_site_list() {
    local row n
    {
        printf '4,%d\r\n' "$site_count"
        for ((n = 0; n < site_count; n++)); do
            row=$((n + 1))
            printf '0,%d,Partner %d\r\n1,%d,http://127.0.0.1:%d%s%d.html\r\n2,%d,%s\r\n3,%d,%s\r\n' \
                "$row" "$n" "$row" "$port" "$2" "$n" "$row" "$query" "$row" "$status_normal"
        done
    } >"$1"
}

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
