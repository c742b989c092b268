# Partner pages served by nginx on loopback, and a site list of them, for the
# side-by-side benchmarks. Sourced, not run: the script that sources it sets
# bench_name, site_count, page_bytes, query, status_normal and slow_rate (the
# bytes a second of pages fetched under /slow/) first. Makes the scratch
# folder and removes it, with nginx, when the script exits.

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
    echo "$bench_name: nginx did not start:" >&2
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
