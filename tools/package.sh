#!/usr/bin/env bash
# Builds the Debian packages as the README says (a Release tree of the two
# programs and the library, then cpack) and checks them as a distribution
# would: lintian with no error and no warning on both, the software-centre
# metadata and the desktop entry the programs' package installs, and the
# files the library's package holds.  tools/package.sh [DIR]  (default
# build-release).  TRANSVANE_WERROR=ON in the environment (tools/test.sh)
# makes every warning an error.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh dpkg-dev lintian appstream desktop-file-utils
dir=${1:-build-release}

# Installed under /usr, the library and its pkg-config file go to the
# multiarch folder (/usr/lib/x86_64-linux-gnu), where Debian looks for them.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRANSVANE_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
  ${TRANSVANE_WERROR:+-DTRANSVANE_WERROR="$TRANSVANE_WERROR"} "${launcher[@]}" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
rm -f "$dir"/transvane_*.deb "$dir"/libtransvane-dev_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
package=$(ls "$dir"/transvane_*.deb)
library=$(ls "$dir"/libtransvane-dev_*.deb)
echo "Built $package and $library"

# lintian refuses nothing by default; every warning counts here.
lintian --fail-on error,warning --tag-display-limit 0 "$package" "$library"
# The listing is read whole first: grep -q stops reading at its first
# match, which would end dpkg-deb with a broken pipe under pipefail.
listing=$(dpkg-deb -c "$library")
for file in include/transvane/transvane.h lib/[^/]*/libtransvane.a lib/[^/]*/cmake/Transvane/TransvaneConfig.cmake \
  lib/[^/]*/pkgconfig/transvane.pc; do
  grep -q " \./usr/$file\$" <<<"$listing" || { echo "$library lacks usr/$file" >&2; exit 1; }
done

contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT
dpkg-deb -x "$package" "$contents"
appstreamcli validate --no-net --pedantic "$contents"/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$contents"/usr/share/applications/transvane.desktop
echo "Package checked: lintian, metadata and desktop entry are clean"
