#!/usr/bin/env bash
# Builds the Debian package from a release build without tests, then checks it as CI does:
# its file list, no RPATH/RUNPATH in the programs, the desktop entry (valid, and the
# default for nothing), the AppStream data and lintian (errors fail; warnings are listed).
#   scripts/package.sh           build-package/zimbrel_<version>_amd64.deb
#   scripts/package.sh --check   the same, then the checks
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake --workflow --preset package >/dev/null
deb=$(ls -t build-package/zimbrel_*_amd64.deb | head -n 1)
echo "package: $deb"
[ "${1:-}" = "--check" ] || exit 0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

# The file list, without folders, against the committed one.
dpkg-deb -c "$deb" | grep -v '^d' | sed -E 's/^([^ ]+ +){5}\.//' | sort >"$work/files"
sort .ci/package-files >"$work/expected"
diff -u "$work/expected" "$work/files" || fail "the file list differs from .ci/package-files"

dpkg-deb -x "$deb" "$work/root"
for program in "$work"/root/usr/bin/*; do
  if readelf -d "$program" | grep -Eq 'RPATH|RUNPATH'; then
    fail "$(basename "$program") carries an RPATH or RUNPATH"
  fi
done
desktop-file-validate "$work"/root/usr/share/applications/*.desktop || fail "desktop-file-validate"

# On a desktop with no defaults set and the package as its only software, Zimbrel must
# not become the program that opens folders or pictures.
update-desktop-database "$work/root/usr/share/applications"
mkdir -p "$work/mime" "$work/home"
ln -s /usr/share/mime "$work/mime/mime" # what the types are, and nothing else of the system
for type in inode/directory image/jpeg image/png image/webp image/heif; do
  answer=$(env -i PATH="$work/root/usr/bin:/usr/bin:/bin" HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
    XDG_DATA_HOME="$work/home/data" XDG_CONFIG_DIRS="$work/home/config" \
    XDG_DATA_DIRS="$work/root/usr/share:$work/mime" gio mime "$type" | head -n 1)
  case $answer in
    "No default applications for"*) ;;
    *) fail "with no defaults set, $type: $answer" ;;
  esac
done
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"
version=$(dpkg-deb -f "$deb" Version)
newest=$(grep -o -m 1 '<release version="[^"]*"' "$work"/root/usr/share/metainfo/*.metainfo.xml | cut -d'"' -f2)
[ "$newest" = "$version" ] || fail "the metainfo's newest release is $newest, the package is $version"
# lintian answers non-zero for errors only; warnings stay visible in the log.
lintian --fail-on error --display-info "$deb" || fail "lintian found errors"
echo "package: all checks passed"
