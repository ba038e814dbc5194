#!/usr/bin/env bash
# Packs the built program into a self-contained desktop installer: an install script followed by
# a gzip tar of the program folder (the executable, the skin, the uninstaller) and the icon theme
# images. The installer's file name carries the partner number the installed program reports:
#   ludora-setup_<partner>.run gives the partner id kel_<partner>; ludora-setup.run the default.
# Usage: scripts/make-installer.sh [--build-dir build] [--output-dir build] [--partner N]
#                                  [--catalogue games.xml]
# A catalogue given is installed as games.xml where the program folder has none yet.
# Needs a finished build (cmake --build build); Qt and Qt WebEngine come from the system packages.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)

build_dir=$source_dir/build
output_dir=
partner=
catalogue=
while [ $# -gt 0 ]; do
  case $1 in
    --build-dir) build_dir=$2; shift 2 ;;
    --output-dir) output_dir=$2; shift 2 ;;
    --partner) partner=$2; shift 2 ;;
    --catalogue) catalogue=$(realpath -- "$2"); shift 2 ;;
    -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "make-installer: unknown option $1" >&2; exit 2 ;;
  esac
done
output_dir=${output_dir:-$build_dir}
build_dir=$(realpath -m -- "$build_dir")
output_dir=$(realpath -m -- "$output_dir")

# The name is cut at its last four characters and read from its first "_" on, so the partner
# must not hold anything that ends a file name or a query value.
if [ -n "$partner" ] && ! [[ $partner =~ ^[A-Za-z0-9][A-Za-z0-9._-]*$ ]]; then
  echo "make-installer: a partner number is letters, digits, '.', '_' and '-' only" >&2
  exit 2
fi
name=ludora-setup${partner:+_$partner}.run

exe=$build_dir/ludora
skin=$build_dir/skin/default.skin
icons=$build_dir/icons/hicolor
for f in "$exe" "$skin" "$icons"; do
  [ -e "$f" ] || { echo "make-installer: $f is missing; build first (cmake --build $build_dir)" >&2; exit 1; }
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build_dir/CMakeCache.txt" 2>/dev/null || true)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/program/skin" "$stage/icons" "$stage/defaults"
# Debugging symbols stay in the build; the installed program is several times smaller without.
strip --strip-unneeded -o "$stage/program/ludora" "$exe" 2>/dev/null || cp "$exe" "$stage/program/ludora"
chmod 755 "$stage/program/ludora"
cp "$skin" "$stage/program/skin/default.skin"
install -m 755 "$source_dir/scripts/installer/uninstall.sh" "$stage/program/uninstall.sh"
cp -R "$icons" "$stage/icons/hicolor"
if [ -n "$catalogue" ]; then
  install -m 644 "$catalogue" "$stage/defaults/games.xml"
fi
find "$stage" -type d -exec chmod 755 {} +
find "$stage/icons" "$stage/program/skin" -type f -exec chmod 644 {} +

tar -C "$stage" --owner=0 --group=0 --numeric-owner --sort=name -czf "$stage/payload.tgz" \
  program icons defaults
sum=$(sha256sum "$stage/payload.tgz" | cut -d ' ' -f 1)

mkdir -p "$output_dir"
out=$output_dir/$name
sed -e "s/@LUDORA_VERSION@/${version:-unknown}/" -e "s/@PAYLOAD_SHA256@/$sum/" \
  "$source_dir/scripts/installer/setup-header.sh" >"$stage/installer"
cat "$stage/payload.tgz" >>"$stage/installer"
chmod 755 "$stage/installer"
mv -f "$stage/installer" "$out"
echo "$out"
