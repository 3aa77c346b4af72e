#!/usr/bin/env bash
# Installs what building and testing need on Debian: the cross compiler, static zlib for
# Windows, Wine with its 32-bit half, an X server for the windows with a Japanese font for the
# demo's title, and the tools the tests, fuzzing and benchmarks use. Does nothing when all of
# it is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config zlib1g-dev googletest libbenchmark-dev
  g++-mingw-w64-i686 libz-mingw-w64-dev
  wine wine32:i386 wine64
  xvfb xauth xdotool imagemagick x11-utils fonts-ipafont-gothic
  locales clang libclang-rt-14-dev llvm
  gnuplot-nox zip unzip python3
)

missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  $sudo dpkg --add-architecture i386
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine takes code page 932 from this locale; generating it silences the shell's warnings.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  $sudo sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
