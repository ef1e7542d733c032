#!/usr/bin/env bash
# Checks the Debian package on a fresh Debian 12 root, as a user's machine would see it:
# installs it with apt from its Depends alone, opens a catalogue through the desktop entry under
# Xvfb, opens the help, checks the icon, the catalogue type and the default application, then
# purges it and compares the root's file list with the one taken before the install.
#
#   sudo bash scripts/check-package-debian12.sh [PACKAGE.deb]
#
# Needs root, the network (Debian's mirror) and a few minutes; CI does not run it. Without an
# argument it builds the package with scripts/package.sh. The screenshots and the lists go to
# $VAMBREL_CHECK_OUT (default /tmp/vambrel-debian12-check). The pristine root is kept in
# $VAMBREL_DEB12_BASE (default /tmp/vambrel-deb12-base) and copied for each run.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
mirror=${VAMBREL_DEBIAN_MIRROR:-http://deb.debian.org/debian}
base=${VAMBREL_DEB12_BASE:-/tmp/vambrel-deb12-base}
out=${VAMBREL_CHECK_OUT:-/tmp/vambrel-debian12-check}
# Where "&?" and then "&Aide" are clicked: without a window manager the window sits at the
# top left corner, its menu bar first.
help_menu=${VAMBREL_HELP_MENU_XY:-"303 9"}
help_item=${VAMBREL_HELP_ITEM_XY:-"325 32"}

[[ $(id -u) == 0 ]] || { echo "run as root (debootstrap, chroot)" >&2; exit 1; }
deb=${1:-}
if [[ -z $deb ]]; then
    deb=$(bash "$repo/scripts/package.sh" | tail -n 1)
fi
deb=$(realpath "$deb")
for tool in debootstrap convert; do
    command -v "$tool" >/dev/null || apt-get install -y --no-install-recommends \
        "$([[ $tool == convert ]] && echo imagemagick || echo "$tool")" >/dev/null
done

if [[ ! -e $base/etc/debian_version ]]; then
    echo "== debootstrap bookworm into $base"
    rm -rf "$base"
    debootstrap --variant=minbase bookworm "$base" "$mirror" >"$base.log"
fi

rm -rf "$out"
mkdir -p "$out"
root=$(mktemp -d /tmp/vambrel-deb12.XXXXXX)
pid=
cleanup() {
    # What this script started in the root, by process id.
    [[ -n $pid ]] && kill "$pid" 2>/dev/null
    [[ -f $root/tmp/xvfb.pid ]] && kill "$(cat "$root/tmp/xvfb.pid")" 2>/dev/null
    for m in dev/pts dev sys proc; do
        mountpoint -q "$root/$m" && umount -l "$root/$m"
    done
    rm -rf "$root"
}
trap cleanup EXIT
cp -a "$base/." "$root/"
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys" && mount --make-rslave "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"; }
# Everything a file manager's session would consult, minus what changes by itself.
file_list() {
    in_root find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp -o -path /run \
        -o -path /var/cache -o -path /var/lib/apt/lists -o -path /var/log -o -path /root \
        -o -path /var/lib/dpkg \) -prune -o -print | LC_ALL=C sort
}

echo "== the tools of this check (not of the package)"
in_root apt-get update -q >/dev/null
in_root apt-get install -y -q --no-install-recommends xvfb xauth x11-apps xdotool libglib2.0-bin \
    desktop-file-utils appstream libgtk-3-bin file >"$out/tools.log"
file_list >"$out/before.txt"

echo "== apt-get install ./$(basename "$deb") (Depends only, no Recommends)"
in_root apt-get install -y -q --no-install-recommends "/tmp/$(basename "$deb")" >"$out/install.log"
in_root dpkg-query -W -f='${Depends}\n' vambrel | tee "$out/depends.txt"
in_root dpkg -L vambrel >"$out/files.txt"
echo "$(wc -l <"$out/files.txt") paths installed"

echo "== desktop-file-validate, appstreamcli validate"
in_root desktop-file-validate /usr/share/applications/com.quorvat.Vambrel.desktop && echo "desktop entry: valid"
in_root appstreamcli validate --no-net /usr/share/metainfo/com.quorvat.Vambrel.metainfo.xml

echo "== the icon in the hicolor theme"
for dir in $(in_root find /usr/share/icons/hicolor -name 'com.quorvat.Vambrel.*' -printf '%h\n' | sort); do
    sub=${dir#/usr/share/icons/hicolor/}
    if grep -q "^\[$sub\]" "$root/usr/share/icons/hicolor/index.theme"; then
        echo "  $sub: listed in index.theme"
    else
        echo "  $sub: NOT listed in index.theme" && exit 1
    fi
done
# The cache the desktops read, built in a copy so that the installed theme stays untouched.
in_root sh -c 'rm -rf /tmp/hicolor && cp -r /usr/share/icons/hicolor /tmp/hicolor &&
    gtk-update-icon-cache -f -q /tmp/hicolor && grep -c com.quorvat.Vambrel /tmp/hicolor/icon-theme.cache' |
    sed 's/^/  icon-theme.cache entries naming the icon: /'

echo "== a catalogue, its type and its application"
in_root qvtjob build /tmp/docs.dat --spec /usr/share/doc/vambrel --quiet
# Another file with the SQLite header but without the program's application id.
in_root sh -c 'printf "SQLite format 3\000" >/tmp/other.dat; head -c 200 /dev/zero >>/tmp/other.dat'
xdg() { in_root env XDG_CURRENT_DESKTOP=GNOME "$@"; }
type=$(xdg xdg-mime query filetype /tmp/docs.dat)
echo "  xdg-mime query filetype docs.dat: $type"
[[ $type == application/x-vambrel-catalogue ]]
default=$(xdg xdg-mime query default application/x-vambrel-catalogue)
echo "  xdg-mime query default application/x-vambrel-catalogue: $default"
[[ $default == com.quorvat.Vambrel.desktop ]]
other=$(xdg xdg-mime query filetype /tmp/other.dat)
echo "  xdg-mime query filetype other.dat (SQLite header, no application id): $other"
[[ $other != application/x-vambrel-catalogue ]]
echo "  gio info docs.dat: $(in_root gio info -a standard::content-type /tmp/docs.dat | grep content-type)"

echo "== Vambrel started by the desktop entry, under Xvfb"
in_root sh -c 'Xvfb :7 -screen 0 1280x900x24 -nolisten tcp >/tmp/xvfb.log 2>&1 & echo $! >/tmp/xvfb.pid'
sleep 2
xsession() { in_root env DISPLAY=:7 HOME=/tmp/home XDG_RUNTIME_DIR=/tmp/run LANG=C.UTF-8 "$@"; }
in_root mkdir -p -m 700 /tmp/home /tmp/run
xsession sh -c 'gio launch /usr/share/applications/com.quorvat.Vambrel.desktop /tmp/docs.dat \
    >/tmp/vambrel.log 2>&1 &'
xsession xdotool search --sync --onlyvisible --name Vambrel >/dev/null
for proc in /proc/[0-9]*; do
    [[ $(readlink "$proc/root") == "$root" && $(cat "$proc/comm" 2>/dev/null) == Vambrel ]] && pid=${proc#/proc/}
done
echo "  process $pid: $(tr '\0' ' ' </proc/"$pid"/cmdline)"
sleep 3
xsession xwd -root -silent -out /tmp/window.xwd
convert "xwd:$root/tmp/window.xwd" "$out/window.png"
echo "  screenshot: $out/window.png"
# shellcheck disable=SC2086
xsession xdotool mousemove $help_menu click 1
sleep 1
# shellcheck disable=SC2086
xsession xdotool mousemove $help_item click 1
sleep 3
xsession xwd -root -silent -out /tmp/help.xwd
convert "xwd:$root/tmp/help.xwd" "$out/help.png"
echo "  screenshot: $out/help.png"
echo "  windows: $(xsession xdotool search --name '' getwindowname %@ 2>/dev/null | grep -v '^$' | sort -u | tr '\n' '|')"
cp "$root/tmp/vambrel.log" "$out/vambrel.log"
kill "$pid" "$(cat "$root/tmp/xvfb.pid")" || true
rm -f "$root/tmp/xvfb.pid"
pid=
sleep 1

echo "== apt-get purge vambrel, autoremove"
in_root apt-get purge -y -q vambrel >"$out/purge.log"
in_root apt-get autoremove --purge -y -q >>"$out/purge.log"
file_list >"$out/after.txt"
if diff "$out/before.txt" "$out/after.txt" >"$out/left.txt"; then
    echo "  nothing left behind: the file list equals the one before the install"
else
    # apt keeps a dependency that now satisfies another installed package (an "a | b" choice):
    # its files belong to that package, not to this one. Anything else is a leftover, as is any
    # file that was there before and is gone.
    status=0
    kept=()
    while IFS= read -r line; do
        path=${line#? }
        case $line in
        "> "*)
            owner=$(in_root dpkg-query -S "$path" 2>/dev/null | head -n1 | sed 's/: .*//') || owner=
            if [[ -n $owner && $owner != *vambrel* ]]; then
                kept+=("$owner")
            else
                echo "  LEFT BEHIND: $path"
                status=1
            fi
            ;;
        "< "*)
            echo "  REMOVED: $path"
            status=1
            ;;
        esac
    done <"$out/left.txt"
    if ((${#kept[@]})); then
        echo "  kept by apt, owned by installed packages: $(printf '%s\n' "${kept[@]}" | sort -u | paste -sd' ')"
    fi
    [[ $status -eq 0 ]] || exit 1
    echo "  nothing of vambrel left behind"
fi
echo "== done"
