# Sourced by the end-to-end scripts: a scratch folder, emulators that are
# always stopped, and a way to start one and learn its device.
build="${BRELA_BUILD_DIR:?}"
work="$(mktemp -d)"
# The programs' per-user settings stay in the scratch folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$HOME"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FALLO: $*" >&2; exit 1; }

# Starts the emulator with the given options; sets $pid and $device.
start() {
    local out="$work/emu.$RANDOM"
    "$build/brela-emulator" "$@" >"$out" &
    pid=$!
    pids+=("$pid")
    for _ in $(seq 100); do
        device="$(head -n1 "$out" 2>/dev/null || true)"
        [[ -n "$device" && -e "$device" ]] && return 0
        sleep 0.05
    done
    fail "brela-emulator no escribió su dispositivo"
}

# brela-cli with a time limit (seconds, then its arguments); sets $code,
# output in $work/out and $work/err.
run_cli() {
    local limit=$1
    shift
    set +e
    timeout "$limit" "$build/brela-cli" "$@" >"$work/out" 2>"$work/err"
    code=$?
    set -e
}
