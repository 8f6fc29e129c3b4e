#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Zentrova developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Pictures of every window (main window, splash, each test window answering
# and showing its result, the records window) at 1x and 2x on the offscreen platform, as PNG files
# in OUTDIR/1x and OUTDIR/2x. Texts that may not fit their controls are listed.
#
#   tools/screenshots.sh OUTDIR [BUILDDIR]     (BUILDDIR: build/dev)
#   tools/screenshots.sh --update-docs         renew data/desktop/screenshots
set -eu

cd "$(dirname "$0")/.."
update_docs=false
if [ "${1:-}" = "--update-docs" ]; then
    update_docs=true
    out=$(mktemp -d)
    trap 'rm -rf "$out"' EXIT
else
    out=${1:?usage: tools/screenshots.sh OUTDIR [BUILDDIR] | --update-docs}
fi
build=${2:-build/dev}

cmake --build "$build" --target zentrova-screenshots >/dev/null

for scale in 1 2; do
    dir=$out/${scale}x
    mkdir -p "$dir"
    # A 1280 x 720 screen at every scale, so the full-screen main window
    # keeps the same proportions.
    config=$dir/screen.json
    printf '{ "windowFrameMargins": false, "screens": [ { "name": "screen", "width": %d, "height": %d } ] }\n' \
        $((1280 * scale)) $((720 * scale)) >"$config"
    echo "== ${scale}x: $dir"
    QT_QPA_PLATFORM="offscreen:configfile=$config" QT_SCALE_FACTOR=$scale QT_FONT_DPI=96 \
        "$build/zentrova-screenshots" "$dir" --bank "$build/Lumvex.mdb"
    rm -f "$config"
done

if $update_docs; then
    cp "$out/1x/main-window.png" data/desktop/screenshots/main-window.png
    cp "$out/1x/frm考试焦虑-answering.png" data/desktop/screenshots/test-window.png
    cp "$out/1x/records-window.png" data/desktop/screenshots/records-window.png
    ls -l data/desktop/screenshots
fi
