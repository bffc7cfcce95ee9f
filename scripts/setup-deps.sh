#!/usr/bin/env bash
# Installs the Debian packages Kalvimor builds and tests with. Idempotent and quiet
# when everything is present. Runs as root, or through sudo otherwise.
set -euo pipefail

packages=(cmake g++ make qtbase5-dev libqt5opengl5-dev libtriangle-dev libgtest-dev libgmock-dev
          libbenchmark-dev xvfb xauth libgl1-mesa-dri libglx-mesa0 libgl-dev libegl-mesa0
          libtbb-dev libpng-dev xdotool clang-14 libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# libtriangle-dev lives in Debian's non-free component: add a sources entry for it,
# derived from the machine's own Debian entry so that no mirror is named here.
enable_non_free() {
  if grep -rqsE '^(Components:.*non-free( |$)|deb .* non-free( |$))' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return
  fi
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    awk 'BEGIN{RS="";ORS="\n\n"} /Components:/ { gsub(/Components:[^\n]*/, "Components: non-free"); print }' \
      /etc/apt/sources.list.d/debian.sources | $SUDO tee /etc/apt/sources.list.d/kalvimor-non-free.sources >/dev/null
  elif [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | awk '{ $4=""; NF=NF; print $0 }' | sed -E 's/^(deb [^ ]+ [^ ]+) .*/\1 non-free/' |
      sort -u | $SUDO tee /etc/apt/sources.list.d/kalvimor-non-free.list >/dev/null
  fi
}

echo "Installing missing packages: ${missing[*]}"
enable_non_free
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
