#!/bin/sh
# Removes this user's Ludora installation: sends the uninstall report, then removes the program,
# its menu entries, its icons and its autostart entry. The user data (game accounts in userdata/
# and defaultuser.dat, the settings file, the history and the pages' stored logins) is removed
# only when the user says so.
#   uninstall.sh                 asks (in the terminal, or in a dialog where there is none)
#   uninstall.sh --keep-data     no questions, the user data stays for a later installation
#   uninstall.sh --remove-data   no questions, everything goes
#   --wait                       waits for Enter at the end (the menu entry's terminal)
set -eu

data=ask
wait_at_end=
for arg in "$@"; do
    case $arg in
    --keep-data) [ "$data" = remove ] && data=conflict || data=keep ;;
    --remove-data) [ "$data" = keep ] && data=conflict || data=remove ;;
    --wait) wait_at_end=1 ;;
    -h | --help)
        sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    *)
        printf 'Unknown option: %s (see --help)\n' "$arg" >&2
        exit 2
        ;;
    esac
done
[ "$data" != conflict ] || {
    printf -- '--keep-data and --remove-data exclude each other\n' >&2
    exit 2
}

finish() { # exit code
    if [ -n "$wait_at_end" ] && [ -t 0 ]; then
        printf '按回车键关闭。'
        read -r _ || true
    fi
    exit "$1"
}
fail() {
    printf 'Ludora 卸载失败：%s\n' "$*" >&2
    finish 1
}

program=$(cd "$(dirname -- "$(readlink -f -- "$0")")" && pwd -P)
root=$(dirname -- "$program")
data_home=$(dirname -- "$root")
# Everything below is removed recursively: only ever from the folder the installer made.
if [ "$(basename -- "$program")" != program ] || [ "$(basename -- "$root")" != ludora ]; then
    fail "$program 不是 Ludora 的安装文件夹。"
fi

for p in /proc/[0-9]*; do
    case $(readlink "$p/exe" 2>/dev/null) in
    "$program/ludora" | "$program/ludora (deleted)") fail "Ludora 正在运行，请先退出 Ludora 再卸载。" ;;
    esac
done

# ask <question>: 0 yes, 1 no, 2 nobody to ask.
ask() {
    if [ -t 0 ]; then
        printf '%s [y/N] ' "$1"
        read -r answer || answer=
        case $answer in
        [yY]* | 是*) return 0 ;;
        *) return 1 ;;
        esac
    elif [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && command -v zenity >/dev/null 2>&1; then
        zenity --question --title=Ludora --text="$1" 2>/dev/null && return 0 || return 1
    elif [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && command -v kdialog >/dev/null 2>&1; then
        kdialog --title Ludora --yesno "$1" 2>/dev/null && return 0 || return 1
    fi
    return 2
}

if [ "$data" = ask ]; then
    status=0
    ask "确定要卸载 Ludora 吗？" || status=$?
    [ "$status" -ne 1 ] || {
        printf '已取消卸载。\n'
        finish 0
    }
    # Accounts are never removed without an answer: nobody to ask keeps them.
    status=0
    ask "是否同时删除用户数据（游戏账号、设置和浏览记录）？" || status=$?
    [ "$status" -eq 0 ] && data=remove || data=keep
fi

# The uninstall report goes out with the installation's own settings, before they are removed.
if [ ! -x "$program/ludora" ]; then
    printf '程序文件已不在，无法发送卸载统计。\n' >&2
elif command -v timeout >/dev/null 2>&1; then
    timeout 30 "$program/ludora" /uninstall >/dev/null 2>&1 || true
else
    "$program/ludora" /uninstall >/dev/null 2>&1 || true
fi

apps=$data_home/applications
rm -f "$apps/ludora.desktop" "$apps/ludora-uninstall.desktop"
rmdir "$apps" 2>/dev/null || true
for icon in "$data_home"/icons/hicolor/*/apps/ludora.png; do
    [ -e "$icon" ] || continue
    rm -f "$icon"
    rmdir "$(dirname -- "$icon")" "$(dirname -- "$(dirname -- "$icon")")" 2>/dev/null || true
done
rmdir "$data_home/icons/hicolor" "$data_home/icons" 2>/dev/null || true

# The autostart entry the settings window writes, when it starts this installation.
config_home=${XDG_CONFIG_HOME:-}
case $config_home in
/*) ;;
*) config_home=$HOME/.config ;;
esac
autostart=$config_home/autostart/ludora.desktop
if [ -f "$autostart" ]; then
    exec_line=$(sed -n 's/^Exec=//p' "$autostart" | head -n 1 | sed -e 's/^"\(.*\)"$/\1/' \
        -e 's/\\\\/\\/g' -e 's/\\"/"/g')
    lower() { printf '%s' "$1" | tr '[:upper:]' '[:lower:]'; }
    if [ "$(lower "$exec_line")" = "$(lower "$program/ludora")" ]; then
        rm -f "$autostart"
    fi
fi

rm -rf "$root"/.install.*
# The web engine keeps its profile preferences in the toolkit's folder for the program's name.
rm -rf "$data_home/Ludora/QtWebEngine"
rmdir "$data_home/Ludora" 2>/dev/null || true
if [ "$data" = remove ]; then
    rm -rf "$program"
    rmdir "$root" 2>/dev/null || true
    printf 'Ludora 已卸载，用户数据已删除。\n'
else
    find "$program" -mindepth 1 -maxdepth 1 ! -name ludora.ini ! -name userdata \
        ! -name defaultuser.dat ! -name 'history.db*' ! -name webdata -exec rm -rf {} +
    printf 'Ludora 已卸载。用户数据保留在 %s，重新安装后可继续使用。\n' "$program"
fi
finish 0
