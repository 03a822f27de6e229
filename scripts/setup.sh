#!/usr/bin/env bash
# Installs the Debian packages that building and testing need. Idempotent and
# quiet when everything is already there; run as root (or with sudo available).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang clang-format clang-tidy libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  juce-modules-source-data
  libssl-dev libcurl4-openssl-dev libarchive-dev libsndfile1-dev openssl
  libhwy-dev libcli11-dev libcpp-httplib-dev nlohmann-json3-dev
  libwebkit2gtk-4.1-dev libgtk-3-dev libx11-dev
  xvfb xauth x11-utils imagemagick fonts-dejavu-core chromium
  sox gnuplot-nox locales
)
# The editor page's tests run in node; a node from elsewhere (18 or later) will do.
if ! command -v node >/dev/null 2>&1; then packages+=(nodejs); fi
if ! command -v npm >/dev/null 2>&1; then packages+=(npm); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi

if ((${#missing[@]} > 0)); then
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A comma-decimal locale lets the tests prove that number reading and writing
# ignore the process locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

# The browser tests drive Debian's chromium with playwright-core from npm,
# pinned by tests/browser/package-lock.json; it never downloads a browser.
browser_tests="$(cd "$(dirname "$0")/../tests/browser" && pwd)"
if [[ ! -d $browser_tests/node_modules/playwright-core ||
      $browser_tests/package-lock.json -nt $browser_tests/node_modules/.package-lock.json ]]; then
  echo "setup: installing the browser tests' node modules"
  (cd "$browser_tests" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --prefer-offline --no-audit --no-fund --loglevel=error >/dev/null)
fi
