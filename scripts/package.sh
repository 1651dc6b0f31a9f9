#!/usr/bin/env bash
# Builds the Debian packages velorin and velorin-central: a build tree for the
# prefix /usr without the tests, then CPack (with dpkg-shlibdeps) into
# build/packages/.
# Usage: package.sh [BUILD]   BUILD: the tree to build in, packages into BUILD/packages
#                             (default: the tree build-pkg, packages into build/packages)
# The tree is compiled with the same flags as the normal build (-O2 -g, stripped
# when packed), so that ccache serves it from that build's objects when both
# run with CCACHE_NOHASHDIR, as scripts/test.sh does.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -gt 0 ]; then
  build=$(mkdir -p "$1" && cd "$1" && pwd)
  packages="$build/packages"
else
  build="$root/build-pkg"
  packages="$root/build/packages"
fi
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
  # -g would otherwise put the build folder into the hash; the packed programs are stripped.
  export CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_INSTALL_PREFIX=/usr -DVELORIN_TESTS=OFF \
  "-DCMAKE_EXE_LINKER_FLAGS=-Wl,-z,relro,-z,now" "${launcher[@]}" >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target \
  velorin velorind velorin-central velorin-central-webroot velorin-package-files
rm -rf "$packages"
mkdir -p "$packages"
(cd "$build" && cpack -G DEB -B "$packages" >/dev/null)
rm -rf "$packages/_CPack_Packages"
ls "$packages"/*.deb
