#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zentrova developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds the Debian package, checks it with lintian, installs it on this
# machine, checks the installed program from the PATH (headless, on the
# offscreen platform), then removes the package again and checks that nothing
# of it is left.
#
# Needs root or sudo. It will not touch a machine where zentrova is already
# installed. Under CI the ci preset is used, otherwise dev.
set -euo pipefail
cd "$(dirname "$0")/.."

app_id=io.github.zentrova.zentrova
preset=dev
[ "${CI:-}" = "true" ] && preset=ci
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
apt_get() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o=Dpkg::Use-Pty=0 "$@"; }

step() { printf '\n== %s\n' "$*"; }
ok() { printf 'ok   %s\n' "$*"; }
fail() {
  printf 'FAIL %s\n' "$*" >&2
  exit 1
}

installed() { dpkg-query -W -f='${Status}' zentrova 2>/dev/null | grep -q 'install ok installed'; }

if installed; then
  fail "zentrova is already installed on this machine; remove it first (apt-get purge zentrova)"
fi
for path in /usr/bin/zentrova /usr/bin/zentrova-bank /usr/sbin/zentrova-seatd /usr/lib/zentrova; do
  [ ! -e "$path" ] || fail "$path already exists"
done

step "Building the package ($preset preset)"
build=build/$preset
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
rm -rf "$build/package"
(cd "$build" && cpack -G DEB) | grep -E '^CPack: - package:' || fail "cpack made no package"
deb=$(ls "$PWD/$build"/package/zentrova_*.deb)
version=$(dpkg-deb -f "$deb" Version)
echo "Depends: $(dpkg-deb -f "$deb" Depends)"

work=$(mktemp -d)
cleanup() {
  if installed; then
    echo "removing the package after a failed check"
    apt_get purge zentrova >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

step "Checking it with lintian"
# Every tag counts, down to the pedantic and experimental ones, unless the
# package overrides it with a reason (cmake/lintian-overrides).
status=0
lintian --pedantic --display-info --display-experimental --show-overrides "$deb" \
  >"$work/lintian" 2>"$work/lintian-errors" || status=$?
# 2 means only that lintian found errors, which the tags below say.
[ "$status" -eq 0 ] || [ "$status" -eq 2 ] || fail "lintian did not run (status $status): $(cat "$work/lintian-errors")"
sed 's/^/  /' "$work/lintian"
count() { grep -c "^$1: " "$work/lintian" || true; }
echo "lintian: $(count E) errors, $(count W) warnings, $(count I) notes, $(count P) pedantic," \
  "$(count X) experimental; $(count O) overridden"
! grep -q '^[EWIPX]: ' "$work/lintian" || fail "lintian has tags without an override"
ok "lintian --pedantic finds nothing that is not overridden"

step "Installing it"
apt_get install "$deb"
installed || fail "the package did not install"
dpkg-query -L zentrova >"$work/files"
ok "installed zentrova $version, $(wc -l <"$work/files") paths"

step "Checking the installed program"
[ "$(command -v zentrova)" = /usr/bin/zentrova ] || fail "zentrova is not on the PATH as /usr/bin/zentrova"
[ "$(readlink -f /usr/bin/zentrova)" = /usr/lib/zentrova/zentrova ] || fail "/usr/bin/zentrova does not lead to /usr/lib/zentrova/zentrova"
ok "zentrova on the PATH is a link to /usr/lib/zentrova/zentrova"

nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
[ "$("${nodisplay[@]}" zentrova --version)" = "zentrova $version" ] || fail "zentrova --version does not say $version"
help=$("${nodisplay[@]}" zentrova --help) || fail "zentrova --help failed"
[[ $help == *"--bank <文件>"* ]] || fail "zentrova --help does not list --bank"
ok "--version and --help answer without a display"

# The bank is found through the program's real folder, not the working
# directory or the name it was started by: try from / and through a link of
# our own in a folder that has no bank.
ln -s "$(command -v zentrova)" "$work/zentrova"
for start in zentrova "$work/zentrova"; do
  out=$(cd / && QT_QPA_PLATFORM=offscreen "$start" --check-bank 2>&1) || fail "$start --check-bank: $out"
  echo "$out"
  [[ $out == *"/usr/lib/zentrova/Lumvex.mdb：全部 "* ]] || fail "$start did not open /usr/lib/zentrova/Lumvex.mdb"
done
ok "the program opens every table of its installed bank"

# Started as a user would, it must still be running with its windows up after
# a few seconds; a crash or an early exit ends it before the timeout does.
status=0
(cd "$work" && QT_QPA_PLATFORM=offscreen timeout 5 zentrova 2>"$work/stderr") || status=$?
[ "$status" -eq 124 ] || fail "zentrova ended by itself (status $status): $(cat "$work/stderr")"
if [ -s "$work/stderr" ]; then
  echo "(Qt's notices on the offscreen platform:)"
  sed 's/^/  /' "$work/stderr"
fi
ok "zentrova starts and keeps running on the offscreen platform"

desktop-file-validate "/usr/share/applications/$app_id.desktop" || fail "the installed desktop entry is not valid"
appstreamcli validate --no-net "/usr/share/metainfo/$app_id.metainfo.xml" || fail "the installed metainfo is not valid"
for icon in scalable/apps/$app_id.svg 16x16/apps/$app_id.png 48x48/apps/$app_id.png 256x256/apps/$app_id.png; do
  [ -s "/usr/share/icons/hicolor/$icon" ] || fail "icon $icon is missing"
done
ok "desktop entry, metainfo and icons are in place and valid"

for page in zentrova.1 zentrova-bank.1 zentrova-centre.1 zentrova-seatd.8; do
  [ "$(man -w "${page%.*}")" = "/usr/share/man/man${page##*.}/$page.gz" ] || fail "man does not find the page of ${page%.*}"
done
[ -s /usr/share/doc/zentrova/copyright ] || fail "the copyright file is missing"
[[ "$(zcat /usr/share/doc/zentrova/changelog.gz)" == "zentrova ($version) "* ]] ||
  fail "the changelog does not start with version $version"
ok "manual pages, copyright file and changelog are in place"

step "Checking the seat service's units"
command -v systemd-analyze >/dev/null || fail "systemd-analyze is missing (Debian: systemd)"
units=/usr/lib/systemd/system
[ -e "$units/zentrova-seatd.service" ] || units=/lib/systemd/system
out=$(systemd-analyze verify "$units/zentrova-seatd.socket" "$units/zentrova-seatd.service" 2>&1) ||
  fail "systemd-analyze verify: $out"
[ -z "$out" ] || fail "systemd-analyze verify has notes: $out"
ok "systemd-analyze verify finds nothing in zentrova-seatd.socket and .service"
# The exposure systemd reckons, on its scale of 0 (none) to 10; 2.0 is well
# inside its "OK" band.
systemd-analyze security --offline=yes --threshold=20 "$units/zentrova-seatd.service" ||
  fail "zentrova-seatd.service is exposed more than 2.0"
ok "zentrova-seatd.service is hardened (exposure above)"
/usr/sbin/zentrova-seatd --help >/dev/null || fail "zentrova-seatd --help failed"
status=0
/usr/sbin/zentrova-seatd --send-once --state "$work/seatd" --centre "$work/none.conf" 2>"$work/seatd-errors" || status=$?
[ "$status" -eq 1 ] && grep -q "none.conf" "$work/seatd-errors" || fail "zentrova-seatd without a centre file: $(cat "$work/seatd-errors")"
ok "zentrova-seatd runs and names a missing centre file"

step "Removing it"
apt_get purge zentrova
! installed || fail "the package is still installed"
left=()
while read -r path; do
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    # A folder may stay while another package owns it or has files in it.
    if ! dpkg-query -S "$path" >/dev/null 2>&1 && [ -z "$(ls -A "$path")" ]; then
      left+=("$path")
    fi
  elif [ -e "$path" ] || [ -L "$path" ]; then
    left+=("$path")
  fi
done <"$work/files"
[ ! -e /usr/lib/zentrova ] || left+=(/usr/lib/zentrova)
[ ${#left[@]} -eq 0 ] || fail "left behind: ${left[*]}"
ok "nothing of the package is left in /usr"

echo
echo "check-package: all checks passed for $(basename "$deb")"
