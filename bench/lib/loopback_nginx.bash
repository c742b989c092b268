# nginx servers on loopback addresses for the side-by-side benchmarks, all
# serving the one document root "$folder/www". Sourced, not run: the script
# that sources it sets bench_name first. Makes the scratch folder and removes
# it, with every nginx started, when the script exits.
#   start_nginx LOCATIONS CONNECTIONS [ADDRESS [PORT]]
# starts one nginx on ADDRESS (127.0.0.1 by default), PORT or a free one, in
# the foreground; LOCATIONS names a function that prints the server block's
# location lines, CONNECTIONS is the most it takes at once. Sets port.
# With log_requests=1 each nginx logs every request to its folder's
# access.log as "MSEC REQUEST_TIME STATUS" (seconds, millisecond resolution).

folder=$(mktemp -d "${TMPDIR:-/tmp}/linkwatch-bench-XXXXXX")
mkdir -p "$folder/www"
nginx_pids=()
log_requests=0
finish() {
    local pid
    for pid in "${nginx_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$folder"
}
trap finish EXIT

# The folder of the nginx on address $1.
nginx_folder() { echo "$folder/nginx-$1"; }

write_nginx_config() {
    local locations=$1 connections=$2 address=$3 prefix
    prefix=$(nginx_folder "$address")
    local access_log="access_log off;"
    ((log_requests)) && access_log="access_log $prefix/access.log timing;"
    cat >"$prefix/nginx.conf" <<EOF
daemon off;
master_process off;
pid $prefix/nginx.pid;
error_log $prefix/error.log;
worker_rlimit_nofile $((2 * connections + 64));
events { worker_connections $((connections + 32)); multi_accept on; }
http {
  log_format timing '\$msec \$request_time \$status';
  $access_log
  client_body_temp_path $prefix/temp/body;
  proxy_temp_path $prefix/temp/proxy;
  fastcgi_temp_path $prefix/temp/fastcgi;
  uwsgi_temp_path $prefix/temp/uwsgi;
  scgi_temp_path $prefix/temp/scgi;
  types { text/html html; }
  default_type application/octet-stream;
  server {
    listen $address:$port backlog=$connections;
    root $folder/www;
$($locations)
  }
}
EOF
}

# Waits until the nginx just started answers on $1:$port; false once it has ended.
nginx_answers() {
    local wait
    for ((wait = 0; wait < 100; wait++)); do
        [[ "$(curl -s -o /dev/null -w '%{http_code}' "http://$1:$port/")" =~ ^[1-5] ]] && return 0
        kill -0 "${nginx_pids[-1]}" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

start_nginx() {
    local locations=$1 connections=$2 address=${3:-127.0.0.1} given_port=${4:-} prefix attempt
    prefix=$(nginx_folder "$address")
    mkdir -p "$prefix/temp"
    # nginx takes no port 0 to let the system choose, and ends when its port is taken.
    for ((attempt = 0; attempt < 20; attempt++)); do
        port=${given_port:-$((20000 + RANDOM % 12000))}
        write_nginx_config "$locations" "$connections" "$address"
        /usr/sbin/nginx -p "$prefix" -e "$prefix/error.log" -c "$prefix/nginx.conf" 2>>"$prefix/nginx.out" &
        nginx_pids+=($!)
        nginx_answers "$address" && return 0
        kill "${nginx_pids[-1]}" 2>/dev/null || true
        wait "${nginx_pids[-1]}" 2>/dev/null || true
        unset 'nginx_pids[-1]'
        [[ -z "$given_port" ]] || break
    done
    echo "$bench_name: nginx did not start on $address:" >&2
    cat "$prefix/nginx.out" "$prefix/error.log" >&2
    return 1
}
