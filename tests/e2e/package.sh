#!/usr/bin/env bash
# The Debian package as a technician gets it: built by cpack, its file list
# and dependencies, the unpacked programs running on a fresh folder, the
# desktop entry and AppStream metadata, and lintian's verdict.
set -euo pipefail

build="${BRELA_BUILD_DIR:?}"
cpack="${BRELA_CPACK:-cpack}"
if ! command -v dpkg-deb >/dev/null; then
    echo "OMITIDA: falta dpkg-deb; el paquete Debian sólo se prueba en Debian o derivados."
    exit 77
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$HOME"
fail() { echo "FALLO: $*" >&2; exit 1; }

# Built in the build folder, left in the scratch one.
if ! (cd "$build" && "$cpack" -G DEB -B "$work/cpack") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    fail "cpack no pudo armar el paquete"
fi
arch="$(dpkg --print-architecture)"
deb="$(ls "$work"/cpack/brela_*_"$arch".deb 2>/dev/null | head -n1)"
[[ -n "$deb" ]] || fail "no está brela_<versión>_$arch.deb: $(ls "$work/cpack")"
version="$(dpkg-deb -f "$deb" Version)"
[[ "$(basename "$deb")" == "brela_${version}_${arch}.deb" ]] || fail "nombre inesperado: $(basename "$deb")"

echo "== $(basename "$deb")"
dpkg-deb -c "$deb" | awk '{print $6}' | tee "$work/list"
for file in usr/bin/brela usr/bin/brela-cli usr/bin/brela-emulator \
            usr/share/applications/org.brela.Brela.desktop \
            usr/share/icons/hicolor/scalable/apps/org.brela.Brela.svg \
            usr/share/icons/hicolor/256x256/apps/org.brela.Brela.png \
            usr/share/metainfo/org.brela.Brela.metainfo.xml \
            usr/share/doc/brela/index.html usr/share/doc/brela/copyright usr/share/doc/brela/changelog.gz; do
    grep -qx "./$file" "$work/list" || fail "falta /$file en el paquete"
done
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
for package in libqt6core6 libqt6widgets6 libqt6serialport6 libqt6sql6 libqt6sql6-sqlite qt6-qpa-plugins; do
    [[ ",$depends," =~ [,\ ]$package[\ ,\(] ]] || fail "el paquete no depende de $package"
done

# The unpacked programs answer without a display and work on a fresh folder.
dpkg-deb -x "$deb" "$work/root"
bin="$work/root/usr/bin"
[[ "$("$bin/brela-cli" --version)" == "brela-cli $version" ]] || fail "brela-cli --version no dice $version"
[[ "$("$bin/brela-emulator" --version)" == "brela-emulator $version" ]] || fail "brela-emulator --version"
(unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; "$bin/brela" --version) | grep -qx "brela $version" \
    || fail "brela --version sin pantalla"
(unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; "$bin/brela" --help) | grep -q '^uso: brela' || fail "brela --help"
"$bin/brela-cli" --folder "$work/carpeta" forms >"$work/forms" || fail "brela-cli forms falló"
[[ -s "$work/forms" && -f "$work/carpeta/Facturas.db" ]] || fail "brela-cli forms no listó los formularios"

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$work/root/usr/share/applications/org.brela.Brela.desktop" \
        || fail "la entrada de escritorio no es válida"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.brela.Brela.metainfo.xml" \
        || fail "appstreamcli rechaza los metadatos"
fi

# Lintian's errors fail the package; its warnings are only shown.
if command -v lintian >/dev/null; then
    lintian --allow-root "$deb" >"$work/lintian" 2>&1 || true
    echo "== lintian: $(grep -c '^E:' "$work/lintian" || true) errores, $(grep -c '^W:' "$work/lintian" || true) avisos"
    cat "$work/lintian"
    if grep -q '^E:' "$work/lintian"; then
        fail "lintian encontró errores"
    fi
else
    echo "lintian no está instalado: se omite su revisión (apt-get install lintian)."
fi
echo "Paquete correcto."
