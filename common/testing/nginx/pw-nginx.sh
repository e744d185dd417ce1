#!/usr/bin/env bash
# Runs a private nginx on a free 127.0.0.1 port, serving one folder.
#
#   pw-nginx.sh start ROOT WORKDIR [RATE]   prints the port; RATE (default 32k)
#                                           limits the speed under /slow/
#   pw-nginx.sh stop WORKDIR                stops the instance started there
#
# PW_NGINX_SEND_TIMEOUT (default 60s, nginx's own) sets how long nginx waits
# for a client that reads nothing before it drops the connection.
# PW_NGINX_LOG_BYTES=1 adds to each access log line the bytes sent and
# received on the wire (sent=$bytes_sent received=$request_length);
# PW_NGINX_ACCESS_LOG=off writes no access log (for the benchmarks);
# PW_NGINX_TLS_CERT and PW_NGINX_TLS_KEY (PEM files) serve HTTPS instead of
# HTTP; PW_NGINX_EXTRA holds further directives of the server block
# (locations).
# Everything the instance writes (configuration, pid file, logs, temp files)
# stays in WORKDIR. No system service and no other port is touched.
set -euo pipefail

nginx_bin=${NGINX:-$(command -v nginx || echo /usr/sbin/nginx)}

write_config() {
    local root=$1 work=$2 port=$3 rate=$4
    local user_line=""
    if [ "$(id -u)" -eq 0 ]; then
        user_line="user root root;"
    fi
    mkdir -p "$work/tmp"
    local access_log="$work/access.log${PW_NGINX_LOG_BYTES:+ pwbytes}" tls=""
    if [ "${PW_NGINX_ACCESS_LOG:-}" = off ]; then
        access_log=off
    fi
    if [ -n "${PW_NGINX_TLS_CERT:-}" ]; then
        tls=" ssl;
        ssl_certificate $PW_NGINX_TLS_CERT;
        ssl_certificate_key $PW_NGINX_TLS_KEY"
    fi
    cat >"$work/nginx.conf" <<CONF
$user_line
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 64; }
http {
    log_format pwbytes '\$remote_addr - \$remote_user [\$time_local] "\$request" \$status '
                       '\$body_bytes_sent "\$http_referer" "\$http_user_agent" '
                       'sent=\$bytes_sent received=\$request_length';
    access_log $access_log;
    client_body_temp_path $work/tmp/body;
    proxy_temp_path $work/tmp/proxy;
    fastcgi_temp_path $work/tmp/fastcgi;
    uwsgi_temp_path $work/tmp/uwsgi;
    scgi_temp_path $work/tmp/scgi;
    default_type application/octet-stream;
    send_timeout ${PW_NGINX_SEND_TIMEOUT:-60s};
    types { text/plain ini txt; }
    server {
        listen 127.0.0.1:$port$tls;
        root $root;
        location / { }
        ${PW_NGINX_EXTRA:-}
        location /slow/ {
            alias $root/;
            limit_rate $rate;
            limit_rate_after 0;
        }
    }
}
CONF
}

start() {
    local root work rate
    root=$(cd "$1" && pwd)
    work=$(mkdir -p "$2" && cd "$2" && pwd)
    rate=${3:-32k}
    local attempt port
    for attempt in $(seq 1 30); do
        port=$((20000 + RANDOM % 40000))
        write_config "$root" "$work" "$port" "$rate"
        # Without "daemon off" nginx returns once the master runs and the
        # port is bound, or fails at once when the port is taken.
        if "$nginx_bin" -p "$work" -c "$work/nginx.conf" 2>>"$work/start.log"; then
            if [ -s "$work/nginx.pid" ]; then
                echo "$port" >"$work/port"
                echo "$port"
                return 0
            fi
        fi
    done
    echo "pw-nginx: could not start nginx (see $work/start.log, $work/error.log)" >&2
    return 1
}

stop() {
    local work=$1 pid
    [ -s "$work/nginx.pid" ] || return 0
    pid=$(cat "$work/nginx.pid")
    kill -TERM "$pid" 2>/dev/null || return 0
    for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null || true
}

case "${1:-}" in
    start) shift; start "$@" ;;
    stop) shift; stop "$@" ;;
    *) echo "usage: $0 start ROOT WORKDIR [RATE] | stop WORKDIR" >&2; exit 2 ;;
esac
