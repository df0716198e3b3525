#!/usr/bin/env bash
# Builds the Wine template prefixes of one build folder, once:
#   ROOT/template-null  graphics driver "null": windows without a display
#   ROOT/template-x11   graphics driver x11:    for Xvfb, screenshots, e2e
# Both are private to the build folder; nothing is written to $HOME: the
# user folders that wineboot links to $HOME become real folders, and
# winemenubuilder (which writes .desktop files) is disabled.
set -euo pipefail
root=${1:?usage: make-template.sh ROOT}
mkdir -p "$root"
# shellcheck source=tests/win/wine/env.sh
source "$(dirname "$0")/env.sh" "$root"
q_wine_enter "$0" "$@"
wine=$Q_WINE server=$Q_WINESERVER
winpath() { local p=$1; echo "Z:${p//\//\\}"; }
root=$(cd "$root" && pwd)
base=$root/template-base
rm -rf "$base" "$root/template-null" "$root/template-x11"
mkdir -p "$root/home"
export HOME=$root/home WINEPREFIX=$base WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
"$wine" wineboot -i >/dev/null 2>&1
"$server" -w

# Real folders instead of links into $HOME.
find "$base/drive_c/users" -maxdepth 2 -type l | while read -r link; do
  rm -f "$link"; mkdir -p "$link"
done

# Debian's Wine does not find its own fonts; Liberation stands in for the
# Windows core fonts (metric-compatible).
fonts=$base/drive_c/windows/Fonts
mkdir -p "$fonts"
cp -f /usr/share/wine/fonts/* "$fonts/"
cp -f /usr/share/fonts/truetype/liberation2/*.ttf "$fonts/" 2>/dev/null || true
cat > "$root/fonts.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Times New Roman"="Liberation Serif"
"Courier New"="Liberation Mono"
REG
"$wine" regedit /S "$(winpath "$root/fonts.reg")" >/dev/null 2>&1
"$server" -w

cp -a "$base" "$root/template-x11"
cp -a "$base" "$root/template-null"
cat > "$root/null.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Graphics"="null"
REG
WINEPREFIX=$root/template-null "$wine" regedit /S "$(winpath "$root/null.reg")" >/dev/null 2>&1
WINEPREFIX=$root/template-null "$server" -w
rm -rf "$base"
touch "$root/template.stamp"
