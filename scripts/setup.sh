#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zentrova developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs every Debian package that building, running and testing Zentrova needs.
# Idempotent: when everything is already installed it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n libgl-dev
  libsqlite3-dev sqlite3
  libpq-dev postgresql-15
  libreadstat-dev
  pspp r-base-core r-cran-haven r-cran-psych
  clang-14 libclang-rt-14-dev
  xvfb xauth valgrind
  desktop-file-utils appstream librsvg2-bin file poppler-utils python3
  reuse lintian man-db groff-base systemd
  fonts-noto-cjk fonts-arphic-gkai00mp fonts-arphic-ukai fonts-dejavu-core
  fonts-lxgw-wenkai fontconfig
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# The centre tests start servers of their own; Debian's default cluster,
# started at boot, is not wanted.
createcluster=/etc/postgresql-common/createcluster.conf
if ! grep -qs '^create_main_cluster *= *false' "$createcluster"; then
  $sudo mkdir -p "$(dirname "$createcluster")"
  echo 'create_main_cluster = false' | $sudo tee -a "$createcluster" >/dev/null
fi
$sudo apt-get update -qq
# Keeps the cluster setting above should the package ship that file too.
$sudo apt-get install -y -qq --no-install-recommends -o Dpkg::Options::=--force-confold "${missing[@]}"
