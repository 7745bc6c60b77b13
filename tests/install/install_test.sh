#!/usr/bin/env bash
# Installs the built program into a temporary prefix, checks every installed file, runs the desktop entry and the
# AppStream metainfo through their validators, checks that the desktop takes PST and OST files for the program's, and
# starts the installed program as a user who cannot write its
# folder: that start must make the user's settings file, a copy of the installed default.
#   install_test.sh BUILD_DIR STORE.pst
set -euo pipefail
build=$1
store=$2
id=org.storewalker.Storewalker
fail() { echo "FAIL: $*" >&2; exit 1; }

tmp=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$tmp"; }
trap cleanup EXIT
chmod 755 "$tmp"
prefix=$tmp/prefix

cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" || { cat "$tmp/install.log"; fail "cmake --install"; }
for f in lib/storewalker/storewalker lib/storewalker/StorWalk.ini lib/storewalker/StorWalk.rtf bin/storewalker \
    share/applications/$id.desktop share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg \
    share/icons/hicolor/48x48/apps/$id.png share/icons/hicolor/256x256/apps/$id.png share/mime/packages/$id.xml; do
    [ -e "$prefix/$f" ] || fail "not installed: $f"
done
[ "$(readlink -f "$prefix/bin/storewalker")" = "$(readlink -f "$prefix/lib/storewalker/storewalker")" ] \
    || fail "bin/storewalker does not lead to the program"
cmp -s "$prefix/lib/storewalker/StorWalk.rtf" "$build/bin/StorWalk.rtf" || fail "help document differs"

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

# The installed data directory as the user's own (XDG_DATA_HOME), its databases rebuilt as packages' triggers do:
# files are typed by name and, without a known ending, by the bytes at offsets 0 and 8, and both types open with
# the program.
data=$prefix/share
XDG_DATA_HOME="$data" update-mime-database "$data/mime" || fail "update-mime-database"
update-desktop-database "$data/applications" || fail "update-desktop-database"
xdgmime() {
    env -i PATH=/usr/bin:/bin HOME="$tmp/home" XDG_DATA_HOME="$data" XDG_DATA_DIRS=/usr/share \
        XDG_CONFIG_HOME="$tmp/xdg-config" XDG_CURRENT_DESKTOP=GNOME GIO_USE_VFS=local xdg-mime query "$@"
}
mkdir -p "$tmp/types"
cp "$store" "$tmp/types/store.pst"
cp "$store" "$tmp/types/store.ost"
cp "$store" "$tmp/types/personal"
cp "$store" "$tmp/types/offline"
printf SO | dd of="$tmp/types/offline" bs=1 seek=8 conv=notrunc status=none
for f in store.pst:application/vnd.ms-outlook store.ost:application/vnd.ms-outlook-ost \
    personal:application/vnd.ms-outlook offline:application/vnd.ms-outlook-ost; do
    type=$(xdgmime filetype "$tmp/types/${f%%:*}")
    echo "xdg-mime query filetype ${f%%:*}: $type"
    [ "$type" = "${f#*:}" ] || fail "${f%%:*} is typed $type, not ${f#*:}"
done
for type in application/vnd.ms-outlook application/vnd.ms-outlook-ost; do
    handler=$(xdgmime default "$type")
    echo "xdg-mime query default $type: $handler"
    [ "$handler" = "$id.desktop" ] || fail "$type opens with '$handler', not $id.desktop"
done

# The start: root writes anywhere, so the program runs as nobody; anyone else loses the write bit instead.
config=$tmp/config
mkdir -p "$config" "$tmp/home"
cp "$store" "$tmp/store.pst"
chmod 644 "$tmp/store.pst"
run=()
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$config" "$tmp/home"
    run=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
else
    chmod -R a-w "$prefix/lib/storewalker"
fi
before=$(ls "$prefix/lib/storewalker")
env -i PATH=/usr/bin:/bin HOME="$tmp/home" XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$tmp/home" \
    QT_QPA_PLATFORM=offscreen "${run[@]}" "$prefix/bin/storewalker" "$tmp/store.pst" >"$tmp/run.log" 2>&1 &
pid=$!
settings=$config/storewalker/StorWalk.ini
for _ in $(seq 1 300); do
    [ -s "$settings" ] && break
    kill -0 "$pid" 2>/dev/null || { cat "$tmp/run.log"; fail "the program ended at its start"; }
    sleep 0.2
done
[ -s "$settings" ] || { cat "$tmp/run.log"; fail "no settings file in $settings"; }
cmp "$settings" "$prefix/lib/storewalker/StorWalk.ini" || fail "the settings file is no copy of the default"
[ "$(ls "$prefix/lib/storewalker")" = "$before" ] || fail "the program wrote into its folder"
[ -z "${run[*]}" ] || [ "$(stat -c %U "$settings")" = nobody ] || fail "the settings file is not the user's"
echo "install: every check passed"
