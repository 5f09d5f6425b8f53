#!/usr/bin/env bash
# The installer speaks the Windows UI language, which Wine takes from the locale: Japanese
# under ja_JP, English under any other, including one it has no texts for (French).
# Runs inside scripts/with-stack (DISPLAY, WINE).
#   installer_language_test.sh DIST_DIR
set -uo pipefail
installers=("$1"/Flickvane-*-setup.exe)
[ -f "${installers[0]}" ] || { echo "no installer in $1: scripts/package builds it"; exit 1; }
failed=0

# first_page LOCALE CAPTION: starts the installer under the locale and waits for its first
# page with that caption; the installer is ended there, before it installs anything.
first_page() {
    LANG=$1 LC_ALL=$1 "$WINE" "${installers[0]}" >/dev/null 2>&1 &
    local pid=$! shown=""
    for _ in $(seq 1 100); do
        # By process too: the window of the previous run may not be gone yet.
        if xdotool search --all --pid "$pid" --name "^$2\$" >/dev/null 2>&1; then shown=1; break; fi
        sleep 0.2
    done
    local windows
    windows=$(xdotool search --all --pid "$pid" --name . getwindowname %@ 2>/dev/null | sort -u | tr '\n' '|')
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if [ -n "$shown" ]; then
        echo "ok: under $1 the installer opens as \"$2\""
    else
        echo "FAILED: under $1 no window \"$2\"; its windows: $windows"
        failed=1
    fi
}

first_page ja_JP.UTF-8 "Flickvane セットアップ"
first_page C.UTF-8 "Flickvane Setup"
first_page fr_FR.UTF-8 "Flickvane Setup"
exit $failed
