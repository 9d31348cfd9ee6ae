# Shared by wine-run.sh and wine-session.sh (sourced, not run).
#
# Wine and its helpers (wineserver, services.exe, the desktop's explorer.exe) outlive the program that
# started them. Whatever descriptors they inherit stay open as long as they live, so a pipe that a test
# runner reads would never see its end. Everything here therefore starts them with /dev/null for their
# standard descriptors, and programs write to a file that is relayed to the caller.

quorvel_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

export WINEPREFIX=${QUORVEL_WINEPREFIX:-$quorvel_root/build/windows/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install prompts, no menu entries written to the host's desktop, and no debugger
# attached to a crashing program (it would wait for ever): the crash ends the program with its code.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d}
export WINEARCH=win64

# quorvel_start_xvfb: starts a headless X server on a free display, exports DISPLAY and sets
# quorvel_xvfb_pid. The server names its display once it accepts connections, so nothing waits blindly.
quorvel_start_xvfb() {
    local numfile
    numfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" </dev/null >/dev/null 2>&1 &
    quorvel_xvfb_pid=$!
    local tries=0
    while [ ! -s "$numfile" ]; do
        if ! kill -0 "$quorvel_xvfb_pid" 2>/dev/null || [ $tries -ge 300 ]; then
            rm -f "$numfile"
            echo "wine: Xvfb did not start" >&2
            return 1
        fi
        tries=$((tries + 1))
        sleep 0.1
    done
    export DISPLAY=:$(tr -d '[:space:]' <"$numfile")
    rm -f "$numfile"
}

quorvel_stop_xvfb() {
    if [ -n "${quorvel_xvfb_pid:-}" ]; then
        kill "$quorvel_xvfb_pid" 2>/dev/null || true
        wait "$quorvel_xvfb_pid" 2>/dev/null || true
        quorvel_xvfb_pid=
    fi
}

# quorvel_prepare_prefix: creates the Wine prefix once. A lock keeps parallel test programs from
# racing to create it; a mark file written last tells a finished prefix from a half-made one.
quorvel_prepare_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.quorvel-ready" ]; then
            rm -rf "$WINEPREFIX"
            echo "wine: creating the prefix $WINEPREFIX" >&2
            wineboot -i </dev/null >/dev/null 2>&1
            # Without a window manager (Xvfb has none) a managed window's destruction waits two seconds
            # for the manager's answer; unmanaged windows get frames drawn by Wine itself and go at once.
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
            # Let the first server write the registry and end, so the next one starts clean.
            wineserver -w </dev/null >/dev/null 2>&1
            touch "$WINEPREFIX/.quorvel-ready"
        fi
        # Debian's Wine does not see the fonts of fonts-wine by itself: without them "MS Sans Serif"
        # falls to whatever sans serif font the machine has (other metrics, other layouts) and the
        # caption buttons, drawn in Marlett, show letters. In the Windows fonts folder they are found.
        local fonts="$WINEPREFIX/drive_c/windows/Fonts"
        if [ -d /usr/share/wine/fonts ] && [ ! -f "$fonts/.quorvel-fonts" ]; then
            mkdir -p "$fonts"
            cp /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$fonts/"
            touch "$fonts/.quorvel-fonts"
        fi
    ) 9>"$WINEPREFIX.lock"
}

# quorvel_start_wineserver [ARGS]: a wineserver that holds none of our descriptors. Wine programs
# started afterwards connect to it instead of spawning one of their own.
quorvel_start_wineserver() {
    wineserver "$@" </dev/null >/dev/null 2>&1 || true
}

# quorvel_forget_settings: what Quorvel.exe remembers for the user (HKCU\Software\Quorvel) goes, so that a
# script's run starts as a first start and leaves nothing for the next program.
quorvel_forget_settings() {
    wine reg delete 'HKCU\Software\Quorvel' /f </dev/null >/dev/null 2>&1 || true
}
