#!/usr/bin/env bash
# Runs one Windows program under Wine in a locale whose ANSI code page is not the default 1252: Wine
# takes the code page from the Unix locale, and the locales a program needs are built here from the
# sources of Debian's `locales` package (into build/locales, once, without root).
# Usage: wine-locale.sh LOCALE PROGRAM.exe [ARGS...]     e.g. ja_JP (code page 932), ru_RU (1251)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [ $# -lt 2 ] || ! [[ $1 =~ ^[a-z]{2}_[A-Z]{2}$ ]]; then
    echo "usage: wine-locale.sh LOCALE PROGRAM.exe [ARGS...]" >&2
    exit 2
fi
locale=$1
shift
dir=$here/../build/locales
mkdir -p "$dir"
(
    flock 9
    if [ ! -d "$dir/$locale.UTF-8" ]; then
        # localedef warns about some sources and still writes the locale; only its absence is a failure.
        localedef -i "$locale" -f UTF-8 "$dir/$locale.UTF-8" >/dev/null 2>&1 || true
    fi
    if [ ! -d "$dir/$locale.UTF-8" ]; then
        echo "wine-locale: cannot build the locale $locale (is Debian's locales package installed?)" >&2
        exit 1
    fi
) 9>"$dir/.lock"
export LOCPATH=$dir LC_ALL=$locale.UTF-8
exec "$here/wine-run.sh" "$@"
