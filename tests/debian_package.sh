#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package from the install rules, as `cpack -G DEB` does in
# a build folder, and checks what it holds: its name, exactly the files a
# desktop needs (both programs, desktop entry, icon, MIME type, metainfo,
# licence, changelog, manual pages) under /usr, a Depends line worked out by
# dpkg-shlibdeps that names the Qt 6 libraries, a changelog whose newest entry
# is the version being built, and no maintainer scripts: Debian's file
# triggers refresh the MIME, desktop and icon caches. Where lintian is
# installed (always in CI), it must find neither errors nor warnings.
# Usage: debian_package.sh CPACK BUILD_DIR
set -euo pipefail
cpack=$1
build=$2
for tool in dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null \
        || { echo "FAILED: $tool is missing (Debian package dpkg-dev; bash scripts/test.sh installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAILED: cpack -G DEB"
    exit 1
fi

failures=0
check() { if "$@"; then echo "ok: $*"; else echo "FAILED: $*"; failures=$((failures + 1)); fi; }

version=$("$build/cli/velmoro-cli" --version | sed -n 's/^velmoro-cli //p')
deb="$work/velmoro_${version}_$(dpkg --print-architecture).deb"
check test -f "$deb"
[ -f "$deb" ] || { ls "$work"; exit 1; }

field() { dpkg-deb --field "$deb" "$1"; }
check test "$(field Package)" = velmoro
check test "$(field Version)" = "$version"
depends=$(field Depends)
echo "Depends: $depends"
for library in libqt6core6 libqt6gui6 libqt6widgets6; do
    check grep -Eq "(^|, )$library( |,|$)" <<<"$depends"
done

# Exactly these files, nothing elsewhere (no /usr/local, no headers).
expected="./usr/bin/velmoro
./usr/bin/velmoro-cli
./usr/share/applications/velmoro.desktop
./usr/share/doc/velmoro/changelog.gz
./usr/share/doc/velmoro/copyright
./usr/share/icons/hicolor/128x128/apps/velmoro.png
./usr/share/man/man1/velmoro-cli.1.gz
./usr/share/man/man1/velmoro.1.gz
./usr/share/metainfo/org.example.velmoro.metainfo.xml
./usr/share/mime/packages/velmoro.xml"
files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sort)
if [ "$files" = "$expected" ]; then
    echo "ok: file list"
else
    echo "FAILED: file list differs (- expected, + packaged):"
    diff <(echo "$expected") <(echo "$files") || true
    failures=$((failures + 1))
fi

control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | tr '\n' ' ')
if [ "$control" = "control md5sums " ]; then
    echo "ok: no maintainer scripts"
else
    echo "FAILED: control archive holds $control"
    failures=$((failures + 1))
fi

dpkg-deb --extract "$deb" "$work/root"
zcat "$work/root/usr/share/doc/velmoro/changelog.gz" >"$work/changelog"
changelog_version=$(dpkg-parsechangelog --file "$work/changelog" --show-field Version)
check test "$changelog_version" = "$version"

# Info and pedantic tags (such as hardening-no-bindnow) may stay.
if command -v lintian >/dev/null; then
    check lintian --fail-on error,warning --tag-display-limit 0 "$deb"
elif [ "${CI:-}" = true ]; then
    check command -v lintian
else
    echo "skipped: lintian is not installed (bash scripts/test.sh installs it)"
fi
exit "$failures"
