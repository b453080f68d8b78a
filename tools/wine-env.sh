# Sourced by the run and test scripts: a private Wine prefix under the build tree and an Xvfb
# display of our own, both ended by kv_wine_stop (by PID and by prefix, nothing else).
KV_ROOT=${KV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
KV_WIN_BUILD=${KV_WIN_BUILD:-$KV_ROOT/build/win}
export WINEPREFIX=${WINEPREFIX:-$KV_WIN_BUILD/wineprefix}
export WINEDEBUG=-all
export WINEARCH=win64
# Character handling is UTF-8 (Chinese text on command lines arrives intact), and the messages'
# locale is Simplified Chinese: Wine takes the user's display language (GetUserDefaultUILanguage)
# from LC_MESSAGES, so the tests run on a Chinese desktop, where Karvo's automatic language is
# Chinese, while the code page stays that of LC_CTYPE (1252). glibc has no zh_CN locale here
# until kv_locales builds one under the build tree (LOCPATH) and sets it; without it Wine would
# read English.
unset LC_ALL
export LANG=C.UTF-8 LC_CTYPE=C.UTF-8
export LOCPATH=${LOCPATH:-$KV_WIN_BUILD/locales}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
KV_WINE=${KV_WINE:-/usr/lib/wine/wine64}

# The two locales the tests name, built once from glibc's sources (a few seconds).
kv_locales() {
    local l
    for l in zh_CN en_US; do
        [ -f "$LOCPATH/$l.UTF-8/LC_MESSAGES/SYS_LC_MESSAGES" ] && continue
        mkdir -p "$LOCPATH"
        localedef -i "$l" -f UTF-8 "$LOCPATH/$l.UTF-8" >/dev/null 2>&1 || echo "could not build the $l.UTF-8 locale" >&2
    done
    # Bash itself does not see LOCPATH (set after it started) and would warn; its children do.
    export LC_MESSAGES=zh_CN.UTF-8 2>/dev/null
}

# kv_xvfb_start [size [options]]: the first free display from :90 on (1280x800 by default).
kv_xvfb_start() {
    local n size=${1:-1280x800} options=${2:-}
    for n in $(seq 90 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        # shellcheck disable=SC2086
        Xvfb ":$n" -screen 0 "${size}x24" $options -nolisten tcp >/dev/null 2>&1 &
        KV_XVFB_PID=$!
        for _ in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            sleep 0.1
        done
        if kill -0 "$KV_XVFB_PID" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
            export DISPLAY=":$n"
            return 0
        fi
    done
    echo "could not start Xvfb" >&2
    return 1
}

# Registry of the private prefix:
# - fonts: the dialog fonts map to an installed CJK font, so Chinese texts draw as Chinese;
# - a virtual desktop as every process's default. Wine: without a window manager, hiding or
#   destroying an active top-level window waits 2 s for X focus events; inside a virtual desktop
#   it does not, caption bars are drawn, and every process (test drivers too) shares the desktop.
kv_wine_registry() {
    local reg="$WINEPREFIX/kv-fonts.reg"
    python3 - "$reg" <<'PY'
import sys
lines = ['Windows Registry Editor Version 5.00', '',
         r'[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]']
for name in ['SimSun', '宋体', 'MS Shell Dlg', 'MS Shell Dlg 2', 'Microsoft YaHei', '微软雅黑']:
    lines.append('"%s"="WenQuanYi Micro Hei"' % name)
lines += ['', r'[HKEY_CURRENT_USER\Software\Wine\Explorer]', '"Desktop"="Default"',
          '', r'[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]', '"Default"="1280x800"']
open(sys.argv[1], 'w', encoding='utf-16').write('\r\n'.join(lines) + '\r\n')
PY
    "$KV_WINE" regedit /S "$reg" >/dev/null 2>&1 || true
}

# Wine draws the caption buttons with the Marlett font. Debian's fonts-wine puts it in
# /usr/share/wine/fonts, where this Wine does not look (it found DejaVu Sans instead and drew
# the glyph codes "0 1 r" as letters); a copy in the prefix's own font folder is found.
kv_wine_fonts() {
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
    fi
}

# The prefix: booted once with its registry and fonts. The first boot starts the desktop before
# the registry names the virtual desktop, so the server is stopped and started again; the first
# program then already opens in the 1280×800 desktop with caption bars.
kv_wine_prefix() {
    mkdir -p "$WINEPREFIX"
    if [ ! -f "$WINEPREFIX/.kv-booted-2" ]; then
        "$KV_WINE" wineboot -i >/dev/null 2>&1 || true
        kv_wine_registry
        kv_wine_fonts
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
        touch "$WINEPREFIX/.kv-booted-2"
    fi
    kv_wine_fonts
    "$KV_WINE" wineboot >/dev/null 2>&1 || true
}

kv_wine_start() {
    kv_locales
    kv_xvfb_start
    kv_wine_prefix
}

# A second prefix set to 144 DPI, for the high-DPI test.
kv_wine_dpi_prefix() {
    local prefix="$KV_WIN_BUILD/wineprefix-dpi"
    [ -f "$prefix/.kv-booted-dpi" ] && return 0
    (
        export WINEPREFIX="$prefix"
        mkdir -p "$prefix"
        "$KV_WINE" wineboot -i >/dev/null 2>&1 || true
        kv_wine_registry
        printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:00000090\r\n' > "$prefix/dpi.reg"
        "$KV_WINE" regedit /S "$prefix/dpi.reg" >/dev/null 2>&1 || true
        kv_wine_fonts
        wineserver -k >/dev/null 2>&1 || true
        touch "$prefix/.kv-booted-dpi"
    )
}

# A new prefix for the package tests, made again on every run: the installer meets a system
# that has never seen Karvo.
kv_wine_pkg_prefix() {
    local prefix="$KV_WIN_BUILD/wineprefix-pkg"
    rm -rf "$prefix"
    (
        export WINEPREFIX="$prefix"
        mkdir -p "$prefix"
        "$KV_WINE" wineboot -i >/dev/null 2>&1 || true
        kv_wine_registry
        kv_wine_fonts
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    )
}

kv_wine_stop() {
    WINEPREFIX="$KV_WIN_BUILD/wineprefix-pkg" wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX="$KV_WIN_BUILD/wineprefix-dpi" wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX="$WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
    if [ -n "${KV_XVFB_PID:-}" ]; then
        kill "$KV_XVFB_PID" 2>/dev/null || true
        wait "$KV_XVFB_PID" 2>/dev/null || true
    fi
}

# Three monitors for the multi-monitor tests, on an Xvfb and in a prefix of their own (no virtual
# desktop: Wine's virtual desktop always shows one monitor). One 3200×1800 X screen is cut into
# RandR monitors, and Wine, told not to use XRandR, takes them from Xinerama:
#   primary 1920×1080 at (0,0); 1280×1024 left of it at (-1280,56); 1280×720 above it at (320,-720).
# -noreset keeps the monitors when the last client goes. The layout is read when the prefix's
# wineserver starts, so it must not be running yet (kv_multimon_stop ends it). With
# KV_MULTIMON_DPI=144 the prefix is another one, set to 144 DPI.
kv_multimon_start() {
    local dpi=${KV_MULTIMON_DPI:-96}
    kv_xvfb_start 3200x1800 -noreset || return 1
    xrandr --setmonitor L 1280/338x1024/270+0+776 screen >/dev/null &&
        xrandr --setmonitor '*P' 1920/508x1080/286+1280+720 none >/dev/null &&
        xrandr --setmonitor T 1280/338x720/190+1600+0 none >/dev/null || { echo "xrandr --setmonitor failed" >&2; return 1; }
    export WINEPREFIX="$KV_WIN_BUILD/wineprefix-multimon-$dpi"
    if [ ! -f "$WINEPREFIX/.kv-booted-multimon" ]; then
        mkdir -p "$WINEPREFIX"
        "$KV_WINE" wineboot -i >/dev/null 2>&1 || true
        python3 - "$WINEPREFIX/kv-multimon.reg" "$dpi" <<'PY'
import sys
lines = ['Windows Registry Editor Version 5.00', '',
         r'[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]']
for name in ['SimSun', '宋体', 'MS Shell Dlg', 'MS Shell Dlg 2', 'Microsoft YaHei', '微软雅黑']:
    lines.append('"%s"="WenQuanYi Micro Hei"' % name)
lines += ['', r'[HKEY_CURRENT_USER\Software\Wine\X11 Driver]', '"UseXRandR"="N"',
          '', r'[HKEY_CURRENT_USER\Control Panel\Desktop]', '"LogPixels"=dword:%08x' % int(sys.argv[2])]
open(sys.argv[1], 'w', encoding='utf-16').write('\r\n'.join(lines) + '\r\n')
PY
        "$KV_WINE" regedit /S "$WINEPREFIX/kv-multimon.reg" >/dev/null 2>&1 || true
        kv_wine_fonts
        touch "$WINEPREFIX/.kv-booted-multimon"
    fi
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    "$KV_WINE" wineboot >/dev/null 2>&1 || true
}

kv_multimon_stop() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    if [ -n "${KV_XVFB_PID:-}" ]; then
        kill "$KV_XVFB_PID" 2>/dev/null || true
        wait "$KV_XVFB_PID" 2>/dev/null || true
        KV_XVFB_PID=
    fi
}
