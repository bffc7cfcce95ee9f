#!/usr/bin/env bash
# Builds the environment painter in a scratch folder and writes the two images into
# resources/Environments. Needs the Qt 5 development files the main build uses.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
g++ -std=c++17 -O2 -fPIC "$here/make_environments.cpp" -o "$scratch/make_environments" \
    $(pkg-config --cflags --libs Qt5Gui)
QT_QPA_PLATFORM=offscreen "$scratch/make_environments" "$here/../Environments"
