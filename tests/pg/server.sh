#!/bin/bash
# A PostgreSQL server of the tests' own: start STATE_DIR | stop STATE_DIR.
# It listens only on a Unix socket in a scratch folder, with fsync off unless
# BRELA_PG_DURABLE=1; its address goes to STATE_DIR/url for the test programs.
# Without the server programs STATE_DIR/missing says why, and the PostgreSQL
# tests skip.
set -u
action=${1:?start or stop}
state=${2:?state folder}
mkdir -p "$state"

find_bin() {
    # Debian keeps the server programs off PATH.
    local found
    found=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
    if [ -n "$found" ] && [ -x "$found/initdb" ]; then echo "$found"; return; fi
    found=$(command -v initdb 2>/dev/null)
    [ -n "$found" ] && dirname "$(readlink -f "$found")"
}

# The server refuses to run as root: then it runs as nobody, from a folder
# nobody may enter (a build under /root is not one).
as_server() {
    if [ "$(id -u)" = 0 ]; then (cd / && runuser -u nobody -- "$@"); else "$@"; fi
}

case $action in
start)
    rm -f "$state/url" "$state/missing"
    if [ -f "$state/dir" ]; then "$0" stop "$state"; fi
    bin=$(find_bin)
    if [ -z "$bin" ]; then
        echo "no hay initdb ni pg_ctl de PostgreSQL" | tee "$state/missing"
        exit 0
    fi
    # /tmp, not the build folder: the server's user may not reach inside it.
    # Tests need no durability; BRELA_PG_DURABLE=1 keeps the server's
    # defaults, for timings comparable with SQLite's synced writes.
    durability="-c fsync=off -c synchronous_commit=off -c full_page_writes=off"
    [ "${BRELA_PG_DURABLE:-}" = 1 ] && durability=
        dir=$(mktemp -d /tmp/brela-pg.XXXXXX)
    chmod 700 "$dir"
    [ "$(id -u)" = 0 ] && chown nobody "$dir"
    echo "$dir" > "$state/dir"
    if ! as_server "$bin/initdb" -D "$dir/data" -U brela --auth=trust -E UTF8 --locale=C.UTF-8 \
        > "$state/initdb.log" 2>&1; then
        cat "$state/initdb.log"; exit 1
    fi
    if ! as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
        -o "-c listen_addresses='' -c unix_socket_directories='$dir' $durability -c max_connections=60" \
        start > /dev/null; then
        cat "$dir/server.log"; exit 1
    fi
    if ! as_server "$bin/createdb" -h "$dir" -U brela brela_test; then
        exit 1
    fi
    echo "postgresql://brela@/brela_test?host=$dir" | tee "$state/url"
    ;;
stop)
    [ -f "$state/dir" ] || exit 0
    dir=$(cat "$state/dir")
    bin=$(find_bin)
    [ -n "$bin" ] && [ -d "$dir/data" ] && as_server "$bin/pg_ctl" -D "$dir/data" -m fast -w stop > /dev/null
    rm -rf "$dir"
    rm -f "$state/dir" "$state/url"
    ;;
*)
    echo "uso: $0 start|stop CARPETA" >&2; exit 2 ;;
esac
