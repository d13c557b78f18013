#!/usr/bin/env bash
# Builds the two Debian packages, brelk (command-line tool) and brelkexplorer (the window),
# into build-pkg/, checks them with lintian and, with --install, installs them with apt-get.
# Works on a fresh Debian machine: missing build packages are installed first.
set -euo pipefail
cd "$(dirname "$0")/.."
install=false
[ "${1:-}" = "--install" ] && install=true
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

bash scripts/install-deps.sh
# Debian's hardening flags (fortified functions, read-only relocations, immediate binding).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Binaries are stripped of symbols and of the compilers' .comment (scripts/strip-for-package.sh).
cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DBRELK_BUILD_TESTS=OFF -DBRELK_BUILD_BENCH=OFF \
    "-DCMAKE_STRIP=$(pwd)/scripts/strip-for-package.sh" \
    "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)"
cmake --build build-pkg
rm -f build-pkg/*.deb
(cd build-pkg && cpack -G DEB)
debs=(build-pkg/*.deb)
lintian --fail-on error "${debs[@]}"
echo "Packages: ${debs[*]}"
if $install; then
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y "${debs[@]/#/./}"
fi
