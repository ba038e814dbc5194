#!/bin/sh
# Ludora desktop installer for one user, no root needed. Unpacks the program into
# $XDG_DATA_HOME/ludora/program (default ~/.local/share), adds it to the applications menu and
# the icon theme, and records in the settings file which installer file it ran from: the part of
# that file's name from its first "_" on is the partner number the program reports.
# Installing over an installation keeps the settings file and the user data.
#   sh ludora-setup_<partner>.run
# The packed program follows the line __PAYLOAD_BELOW__ at the end of this file.
set -eu
umask 022

LUDORA_VERSION=@LUDORA_VERSION@
PAYLOAD_SHA256=@PAYLOAD_SHA256@

fail() {
    printf 'Ludora 安装失败：%s\n' "$*" >&2
    exit 1
}

case ${1:-} in
'') ;;
-h | --help)
    # shellcheck disable=SC2016 # the variable is named, not expanded
    printf 'Usage: sh %s\nInstalls Ludora for this user into ${XDG_DATA_HOME:-~/.local/share}/ludora/program.\n' "$(basename -- "$0")"
    exit 0
    ;;
*)
    printf 'Unknown option: %s (see --help)\n' "$1" >&2
    exit 2
    ;;
esac

self=$(readlink -f -- "$0") || self=
if [ -z "$self" ] || [ ! -f "$self" ]; then
    fail "请直接运行安装文件（sh 安装文件名）。"
fi
case $self in
*'
'*) fail "安装文件的路径中不能含有换行符。" ;;
esac

[ -n "${HOME:-}" ] || fail "没有设置 HOME。"
data_home=${XDG_DATA_HOME:-}
case $data_home in
/*) ;;
*) data_home=$HOME/.local/share ;; # a relative XDG_DATA_HOME is to be ignored
esac

# A truncated download must not half-replace a working installation.
start=$(awk '/^__PAYLOAD_BELOW__$/ { print NR + 1; exit }' "$self")
[ -n "$start" ] || fail "安装文件已损坏，请重新下载。"
sum=$(tail -n +"$start" "$self" | sha256sum | cut -d ' ' -f 1)
[ "$sum" = "$PAYLOAD_SHA256" ] || fail "安装文件不完整或已损坏，请重新下载。"

root=$data_home/ludora
mkdir -p "$root/program" || fail "无法创建程序文件夹 $root/program。"
# The program knows itself by its resolved path; the menu entry and the autostart entry use it.
root=$(cd "$root" && pwd -P)
program=$root/program
apps=$data_home/applications
ini=$program/ludora.ini

# The settings file is the user's: a read-only one is not replaced behind their back.
if [ -e "$ini" ] && [ ! -w "$ini" ]; then
    fail "设置文件 $ini 不可写。"
fi

# Unpacked beside the program folder, so that moving each file in is a rename on one file system:
# a running copy keeps its old files, the next start gets the new ones.
stage=$(mktemp -d "$root/.install.XXXXXX")
trap 'rm -rf "$stage"' EXIT
trap 'exit 130' INT TERM
tail -n +"$start" "$self" | tar -xzf - --no-same-owner -C "$stage" ||
    fail "无法解压安装文件。"

# Qt WebEngine and the other libraries come from the system's packages.
missing=$(ldd "$stage/program/ludora" 2>/dev/null | awk '/not found/ { print $1 }') || missing=
if [ -n "$missing" ]; then
    printf '注意：缺少以下系统库，Ludora 需要它们才能运行：\n%s\n' "$missing" >&2
    printf '在 Debian 或 Ubuntu 上可安装：libqt6webenginewidgets6 libqt6webenginecore6-bin libqt6quickwidgets6 libzip4\n' >&2
fi

running=
for p in /proc/[0-9]*; do
    [ "$(readlink "$p/exe" 2>/dev/null)" = "$program/ludora" ] && running=1 && break
done

# Moves every file of a staged tree to the same place under a target folder; with "keep", a file
# already there stays.
move_tree() { # from to [keep]
    [ -d "$1" ] || return 0
    (cd "$1" && find . -type f) | while IFS= read -r rel; do
        rel=${rel#./}
        [ "${3:-}" = keep ] && [ -e "$2/$rel" ] && continue
        mkdir -p "$(dirname -- "$2/$rel")"
        mv -f "$1/$rel" "$2/$rel"
    done
}

move_tree "$stage/program" "$program"
# The shipped catalogue is for the first start only: one the program has downloaded since is newer.
move_tree "$stage/defaults" "$program" keep
# A pending update or a previous copy left by the program's self-update would replace or shadow
# the files just installed.
rm -f "$program/ludora_" "$program/ludora.bak"
move_tree "$stage/icons" "$data_home/icons"
touch "$data_home/icons/hicolor" 2>/dev/null || true

# Desktop entry Exec: an argument with reserved characters is quoted, with \ " ` $ escaped, and
# then every backslash is escaped once more as in any string value; % is doubled.
desktop_exec() {
    case $1 in
    *[[:space:]\"\'\\\>\<~\|\&\;\$\*\?\#\(\)\`]*)
        printf '"%s"' "$(printf '%s' "$1" | sed -e 's/[\\"`$]/\\&/g' -e 's/\\/\\\\/g' -e 's/%/%%/g')"
        ;;
    *) printf '%s' "$1" | sed -e 's/%/%%/g' ;;
    esac
}
# Any other string value: only the backslash is escaped.
desktop_string() {
    printf '%s' "$1" | sed -e 's/\\/\\\\/g'
}

write_entry() { # file, content on stdin
    mkdir -p "$(dirname -- "$1")"
    cat >"$1.tmp.$$"
    mv -f "$1.tmp.$$" "$1"
}

write_entry "$apps/ludora.desktop" <<EOF
[Desktop Entry]
Type=Application
Version=1.0
Name=Ludora
GenericName=Game Hall
GenericName[zh_CN]=游戏大厅
Comment=Play the portal's web games in tabs
Comment[zh_CN]=在标签页中畅玩网页游戏
Exec=$(desktop_exec "$program/ludora")
TryExec=$(desktop_string "$program/ludora")
Path=$(desktop_string "$program")
Icon=ludora
Terminal=false
Categories=Game;
Keywords=game;web;browser;游戏;网页游戏;
StartupNotify=true
StartupWMClass=Ludora
EOF

# Uninstalling asks about the user data in a terminal of its own.
write_entry "$apps/ludora-uninstall.desktop" <<EOF
[Desktop Entry]
Type=Application
Version=1.0
Name=Uninstall Ludora
Name[zh_CN]=卸载 Ludora
Comment=Remove Ludora; asks before removing accounts and settings
Comment[zh_CN]=卸载 Ludora，删除账号和设置前会先询问
Exec=$(desktop_exec "$program/uninstall.sh") --wait
Icon=ludora
Terminal=true
Categories=Game;
EOF

# General/setup = the full path of this installer file, in the settings file's GBK. Every other
# line stays byte for byte; the key goes where the program itself would put it, a new file gets
# CRLF line ends like the program's own.
setup=$(printf '%s' "$self" | iconv -f UTF-8 -t GBK 2>/dev/null) ||
    setup=$(printf '%s' "$self" | iconv -f UTF-8 -t GBK//TRANSLIT 2>/dev/null) ||
    fail "无法转换安装文件的路径。"
current=$ini
[ -e "$ini" ] || current=/dev/null
LUDORA_SETUP=$setup LC_ALL=C awk '
function trim(s) { sub(/^[ \t\r\v\f]+/, "", s); sub(/[ \t\r\v\f]+$/, "", s); return s }
function section(s,  c) {
    s = trim(s)
    if (substr(s, 1, 1) != "[" || (c = index(s, "]")) == 0) return ""
    return "[" tolower(trim(substr(s, 2, c - 2)))
}
function iskey(s,  eq) {
    s = trim(s)
    if (s == "" || substr(s, 1, 1) == ";" || (eq = index(s, "=")) == 0) return ""
    return tolower(trim(substr(s, 1, eq - 1)))
}
{ line[NR] = $0; if ($0 ~ /\r$/) crlf = 1 }
END {
    eol = (NR > 0 && !crlf) ? "\n" : "\r\n"
    entry = "setup=" ENVIRON["LUDORA_SETUP"]
    header = 0
    for (i = 1; i <= NR && !header; i++) if (section(line[i]) == "[general") header = i
    if (!header) {
        for (i = 1; i <= NR; i++) printf "%s\n", line[i]
        if (NR > 0 && trim(line[NR]) != "") printf "%s", eol
        printf "[General]%s%s%s", eol, entry, eol
        exit
    }
    end = header + 1
    while (end <= NR && section(line[end]) == "") end++
    at = 0
    for (i = header + 1; i < end && !at; i++) if (iskey(line[i]) == "setup") at = i
    if (at) {
        for (i = 1; i <= NR; i++)
            if (i == at) printf "%s%s", entry, (line[i] ~ /\r$/ ? "\r\n" : "\n")
            else printf "%s\n", line[i]
        exit
    }
    at = end
    while (at > header + 1 && trim(line[at - 1]) == "") at--
    for (i = 1; i <= NR; i++) {
        if (i == at) printf "%s%s", entry, eol
        printf "%s\n", line[i]
    }
    if (at > NR) printf "%s%s", entry, eol
}' "$current" >"$ini.new.$$" || {
    rm -f "$ini.new.$$"
    fail "无法写入设置文件 $ini。"
}
mv -f "$ini.new.$$" "$ini"

printf 'Ludora %s 已安装到 %s\n' "$LUDORA_VERSION" "$program"
printf '可在应用程序菜单的“游戏”中启动 Ludora；卸载请运行 %s/uninstall.sh\n' "$program"
if [ -n "$running" ]; then
    printf '注意：Ludora 正在运行，请退出后重新启动以使用新版本。\n'
fi
exit 0
__PAYLOAD_BELOW__
