#!/usr/bin/env bash
# Builds the Debian package (build-deb/, prefix /usr, the program only),
# installs it with apt as a user would, runs the installed program and checks
# the installed desktop entries and AppStream file with their validators.
set -euo pipefail
cd "$(dirname "$0")/.."
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DZK_BUILD_TESTS=OFF -DZK_BUILD_BENCH=OFF >/dev/null
cmake --build build-deb
rm -f build-deb/zk412v_*.deb
(cd build-deb && cpack -G DEB)
(cd build-deb && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq ./zk412v_*.deb)

test -x /usr/bin/zk412v
/usr/bin/zk412v --version
test -x /usr/bin/zk412vctl
/usr/bin/zk412vctl --version
test -f /usr/share/man/man1/zk412vctl.1
test -f /usr/share/bash-completion/completions/zk412vctl
test -f /usr/lib/udev/rules.d/70-zk412v.rules
test -f /usr/share/zk412v/skin/res.xml
test -f /usr/share/icons/hicolor/48x48/apps/zk412v.png
desktop-file-validate /usr/share/applications/zk412v.desktop
desktop-file-validate /etc/xdg/autostart/zk412v.desktop
appstreamcli validate --no-net /usr/share/metainfo/io.github.orvane.zk412v.metainfo.xml
echo "package: installed and validated"
