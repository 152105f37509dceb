#!/usr/bin/env bash
# brela-cli on a disk and a database that will not cooperate: each case ends
# with a Spanish message and exit status 1, and leaves what was stored as it was.
set -euo pipefail

source "$(dirname "$0")/lib/emulator.sh"

cli() { run_cli 60 --folder "$folder" "$@"; }
expect_failure() {   # case, expected text in stderr
    [[ $code -eq 1 ]] || fail "$1: salida $code, se esperaba 1 ($(cat "$work/err"))"
    grep -qF "$2" "$work/err" || fail "$1: mensaje: $(cat "$work/err")"
}
# Every file and folder with its contents; "scripts" leaves out the database,
# which opening a form into the working copy rightly changes, and Valida.txt,
# which every generation rewrites with its own time.
snapshot() {
    local skip=()
    [[ ${1:-} == scripts ]] && skip=(-not -name 'Facturas.db*' -not -name 'Valida.txt')
    (cd "$folder" && find . "${skip[@]}" -printf '%p %s\n' | sort && find . -type f "${skip[@]}" -exec sha256sum {} + | sort)
}

# A program folder with its database and an earlier script.
folder="$work/carpeta"
trap 'chattr -i "$folder" 2>/dev/null || true; chmod 0755 "$folder" 2>/dev/null || true; cleanup' EXIT
cli forms >/dev/null
cli generate 1 -o "$folder/Brela.ZON"
[[ $code -eq 0 ]] || fail "preparación: generate dio $code: $(cat "$work/err")"

# A folder where the script should go.
mkdir "$folder/Otro.ZON"
before="$(snapshot scripts)"
cli generate 1 -o "$folder/Otro.ZON"
expect_failure "carpeta en lugar del script" "Brela: No se puede escribir el archivo $folder/Otro.ZON"
grep -qxF "Brela: Hubo error al crear el archivo $folder/Otro.ZON." "$work/err" || fail "falta el aviso final"
[[ "$(snapshot scripts)" == "$before" ]] || fail "carpeta en lugar del script: la carpeta cambió"
echo "carpeta en lugar del script: bien"

# A database locked by another program.
python3 - "$folder/Facturas.db" >"$work/lock" <<'EOF' &
import sqlite3, sys, time
db = sqlite3.connect(sys.argv[1], isolation_level=None)
db.execute("BEGIN EXCLUSIVE")
print("bloqueada", flush=True)
time.sleep(30)
EOF
locker=$!
pids+=("$locker")
for _ in $(seq 100); do [[ -s "$work/lock" ]] && break; sleep 0.05; done
[[ -s "$work/lock" ]] || fail "python no bloqueó la base"
before="$(snapshot)"
cli validate 1
expect_failure "base bloqueada" "La base de datos está bloqueada por otro programa. Espere a que termine y reintente."
kill "$locker"; wait "$locker" 2>/dev/null || true
[[ "$(snapshot)" == "$before" ]] || fail "base bloqueada: algo cambió"
cli validate 1
[[ $code -eq 0 ]] || fail "libre otra vez, validate dio $code: $(cat "$work/err")"
echo "base bloqueada: bien"

# A Facturas.db that is no database: refused, and kept for whoever can rescue it.
head -c 8192 /dev/urandom >"$work/basura"
cp "$work/basura" "$folder/Facturas.db"
cli forms
expect_failure "Facturas.db que no es una base" "El archivo no es una base de datos."
cmp -s "$work/basura" "$folder/Facturas.db" || fail "Facturas.db dañado fue modificado"
rm "$folder/Facturas.db"
echo "Facturas.db que no es una base: bien"

# A read-only program folder. Permissions do not stop root: make it immutable.
cli forms >/dev/null
before="$(snapshot)"
chmod 0555 "$folder"
immutable=no
if [[ $EUID -eq 0 ]] && chattr +i "$folder" 2>/dev/null; then immutable=yes; fi
if touch "$folder/.prueba" 2>/dev/null; then
    rm -f "$folder/.prueba"
    echo "carpeta de solo lectura: no se puede simular aquí (omitido)"
else
    cli generate 1 -o "$folder/Brela.ZON"
    expect_failure "carpeta de solo lectura" "No se puede abrir el archivo de la base de datos ni crear sus archivos auxiliares en su carpeta."
    [[ "$(snapshot)" == "$before" ]] || fail "carpeta de solo lectura: algo cambió"
    echo "carpeta de solo lectura: $(head -n1 "$work/err")"
fi
[[ $immutable == yes ]] && chattr -i "$folder"
chmod 0755 "$folder"
echo "cli_failure_injection: ok"
