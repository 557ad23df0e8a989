#!/usr/bin/env bash
# Builds the Debian package from the build tree, unpacks it into a fresh
# root and runs both programs from there; checks the desktop entry, the
# metainfo and lintian's verdict on the package.
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A package names its maintainer, and the project ships none of its own:
# without one cpack refuses to build. This package never leaves the test.
built_maintainer=$(sed -n 's/^TARNWELL_MAINTAINER:STRING=//p' "$build/CMakeCache.txt")
homepage=$(sed -n 's/^TARNWELL_HOMEPAGE:STRING=//p' "$build/CMakeCache.txt")
if [ -z "$built_maintainer" ]; then
  if (cd "$build" && env -u DEBEMAIL cpack -G DEB -B "$work/refused" >"$work/refused.log" 2>&1); then
    fail "cpack built a package that names no maintainer"
  fi
  grep -q "Say who maintains the package" "$work/refused.log" || { cat "$work/refused.log"; fail "cpack refusal"; }
fi
maintainer=${built_maintainer:-"Tarnwell package test <package-test@tarnwell.test>"}
(cd "$build" && DEBFULLNAME="Tarnwell package test" DEBEMAIL=package-test@tarnwell.test \
   cpack -G DEB -B "$work/out" >"$work/cpack.log") || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/*.deb)
[ "$(basename "$deb")" = "tarnwell_${version}_$(dpkg --print-architecture).deb" ] || fail "package name $deb"

# The package's own idea of what it needs: libraries found from the
# binaries, and what the programs call at run time.
depends=$(dpkg-deb -f "$deb" Depends)
for need in libc6 libblkid1 libqt6widgets6 xdg-utils fonts-wqy-microhei qt6-translations-l10n shared-mime-info; do
  [[ $depends == *"$need"* ]] || fail "Depends lacks $need: $depends"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
# Only the addresses the build was given: the maintainer here, and no web
# site (the launcher opens the help's about page instead).
[ "$(dpkg-deb -f "$deb" Maintainer)" = "$maintainer" ] || fail "Maintainer: $(dpkg-deb -f "$deb" Maintainer)"
zcat "$root/usr/share/doc/tarnwell/changelog.gz" | grep -qF -- " -- $maintainer  " || fail "changelog trailer"
if [ -z "$homepage" ]; then
  [ -z "$(dpkg-deb -f "$deb" Homepage)" ] || fail "a Homepage without a web site"
  mail=${maintainer#*<}
  shipped=$(zcat -f "$root"/usr/share/doc/tarnwell/* "$root"/usr/share/metainfo/* "$root"/usr/share/applications/* |
            grep -oE 'https?://[^ <"]+|[A-Za-z0-9._-]+@[A-Za-z0-9.-]+' |
            grep -vxF -e "${mail%>}" | grep -v '^https://www.debian.org/doc/packaging-manuals/' || true)
  [ -z "$shipped" ] || fail "addresses the build was not given are shipped: $shipped"
  ! grep -qaE 'example\.(org|com|net)' "$root/usr/bin/tarnwell" || fail "the program carries a placeholder address"
fi
[ -f "$root/usr/share/tarnwell/help/about.html" ] || fail "missing the help's about page"
app_id=org.example.tarnwell
for f in usr/bin/tarnwell usr/bin/tarnwell-cli \
         usr/share/tarnwell/help/index.html usr/share/tarnwell/help/StdRecovery.htm \
         usr/share/applications/$app_id.desktop usr/share/metainfo/$app_id.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/$app_id.svg \
         usr/share/icons/hicolor/16x16/apps/$app_id.png usr/share/icons/hicolor/256x256/apps/$app_id.png \
         usr/share/man/man1/tarnwell.1.gz usr/share/man/man1/tarnwell-cli.1.gz \
         usr/share/bash-completion/completions/tarnwell-cli \
         usr/share/doc/tarnwell/copyright usr/share/doc/tarnwell/changelog.gz; do
  [ -f "$root/$f" ] || fail "missing /$f"
done
file "$root/usr/share/icons/hicolor/48x48/apps/$app_id.png" | grep -q "48 x 48" || fail "48x48 icon size"
zcat "$root/usr/share/man/man1/tarnwell-cli.1.gz" | grep -q "Attach a disk or volume image" || fail "tarnwell-cli man page lacks the options"

# Both programs, from the unpacked paths.
[ "$("$root/usr/bin/tarnwell-cli" --version)" = "tarnwell-cli $version" ] || fail "tarnwell-cli --version"
[ "$("$root/usr/bin/tarnwell" --version)" = "tarnwell $version" ] || fail "tarnwell --version"
"$root/usr/bin/tarnwell" --help | grep -qF "Help pages: $root/usr/share/tarnwell/help/index.html" ||
  fail "the installed program does not find its help pages"
"$root/usr/bin/tarnwell-cli" --no-devices help list | grep -q -- "--json" || fail "tarnwell-cli help list"
# The window opens offscreen and keeps running until it is stopped.
set +e
QT_QPA_PLATFORM=offscreen timeout -s TERM 3 "$root/usr/bin/tarnwell" 2>"$work/window.log"
rc=$?
set -e
[ $rc -eq 124 ] || { cat "$work/window.log"; fail "the window ended with status $rc before it was stopped"; }

appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$app_id.metainfo.xml" >"$work/as.log" ||
  { cat "$work/as.log"; fail "appstreamcli validate"; }
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"

# lintian: no errors; warnings are printed for the record.
lintian --fail-on error --tag-display-limit 0 "$deb" | tee "$work/lintian.log" ||
  fail "lintian reports errors"
echo "package test passed: $(basename "$deb")"
