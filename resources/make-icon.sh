#!/bin/sh
# Draws the program icon (a play triangle over a volume bar) at 16, 32 and 48 pixels into
# flickvane.ico. Needs ImageMagick's convert.
set -e
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for s in 16 32 48; do
    convert -size ${s}x${s} xc:none \
        -fill '#2b3f8f' -draw "roundrectangle 0,0 $((s-1)),$((s-1)) $((s/6)),$((s/6))" \
        -fill '#ffffff' -draw "polygon $((s*3/10)),$((s/4)) $((s*3/10)),$((s*3/4)) $((s*3/4)),$((s/2))" \
        -fill '#4b4bff' -draw "rectangle $((s/8)),$((s*7/8-s/16)) $((s*7/8)),$((s*7/8))" \
        "$tmp/icon$s.png"
done
convert "$tmp/icon16.png" "$tmp/icon32.png" "$tmp/icon48.png" flickvane.ico
