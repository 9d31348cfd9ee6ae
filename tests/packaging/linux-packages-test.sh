#!/usr/bin/env bash
# linux-packages-test.sh CMAKE BUILD COMPILER DEB TARBALL VERSION: builds the Debian package and the
# tarball, each twice (the same bytes from the same commit), checks the package's files, lintian's
# verdict at its most pedantic and the program's protections, unpacks it into a scratch root and runs
# the program, the manual page and the completions of bash, zsh and fish from there.
set -euo pipefail
cmake=$1 build=$2 compiler=$3 deb=$4 tarball=$5 version=$6
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in dpkg-deb lintian man hardening-check readelf zsh fish; do
    command -v $tool >/dev/null || fail "$tool is missing (scripts/install-deps.sh dist)"
done

# Made again after its inputs are touched, a release file is the same: its entries carry the commit's
# time, not the files'.
"$cmake" --build "$build" --target quorvel-deb quorvel-tarball >/dev/null
first=$(sha256sum "$deb" "$tarball")
touch "$build/cli/quorvel-cli" "$build"/cli/docs/*
"$cmake" --build "$build" --target quorvel-deb quorvel-tarball >/dev/null
[ "$(sha256sum "$deb" "$tarball")" = "$first" ] || fail "made twice, the release files differ: $first"
tar tvzf "$tarball" | awk '$2 != "0/0"' | grep . && fail "tarball entries not owned by 0/0"

expected="./usr/bin/quorvel-cli
./usr/share/bash-completion/completions/quorvel-cli
./usr/share/doc/quorvel-cli/changelog.gz
./usr/share/doc/quorvel-cli/copyright
./usr/share/fish/vendor_completions.d/quorvel-cli.fish
./usr/share/man/man1/quorvel-cli.1.gz
./usr/share/zsh/vendor-completions/_quorvel-cli"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $1, $2, $6}' | sort -k3)
[ "$(cut -d' ' -f3 <<<"$files")" = "$expected" ] || fail "files: $files"
grep -v '^-rw-r--r-- root/root \|^-rwxr-xr-x root/root ./usr/bin/' <<<"$files" && fail "modes or owners"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version)"
dpkg-deb -f "$deb" Depends | grep -q '^libc6 (>= ' || fail "Depends: $(dpkg-deb -f "$deb" Depends)"

# Not a tag, not even at pedantic, informational and experimental level.
verdict=$(lintian --pedantic --display-info --display-experimental "$deb" 2>/dev/null) || true
[ -z "$verdict" ] || fail "lintian: $verdict"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
program=$root/usr/bin/quorvel-cli
# Every protection. Control-flow protection marks a program only where the C library's start files
# carry it too (not Debian 12's): there the program's own code is checked for it instead.
nocf=
if ! readelf -n "$("$compiler" -print-file-name=Scrt1.o)" | grep -q 'x86 feature: IBT, SHSTK'; then
    nocf=--nocfprotection
    readelf -n "$build/cli/CMakeFiles/quorvel-cli.dir/main.cpp.o" | grep -q 'x86 feature: IBT, SHSTK' ||
        fail "the program's code is built without control-flow protection"
fi
hardening-check $nocf "$program" >"$root/hardening" || fail "hardening-check: $(cat "$root/hardening")"

"$program" --version | grep -qx "quorvel-cli $version (\([0-9a-f]\{7,\}\|unknown\))" ||
    fail "--version: $("$program" --version)"

page=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/quorvel-cli.1.gz" 2>"$root/warnings")
[ ! -s "$root/warnings" ] || fail "man: $(cat "$root/warnings")"
for section in NAME SYNOPSIS DESCRIPTION COMMANDS OPTIONS FINDINGS 'EXIT STATUS' FILES EXAMPLES 'SEE ALSO'; do
    grep -qx "$section" <<<"$page" || fail "no $section in the manual page"
done
grep -q 'quorvel-cli check \[--json | --sarif\]' <<<"$page" || fail "synopsis: $page"
grep -qx ' *no-keyword (error; with --any-version and --help-project)' <<<"$page" || fail "findings: $page"
date=$(LC_ALL=C date -u -d "@${SOURCE_DATE_EPOCH:-$(git -C "$here" log -1 --format=%ct)}" +%F)
tail -1 <<<"$page" | grep -q " $date " || fail "the page is not dated $date: $(tail -1 <<<"$page")"

# What each shell offers at the end of a line (sorted, folders without their slash) is the same in bash,
# zsh and fish: files here and under a home of the test's own.
share=$root/usr/share
bash_offers() {
    bash -c 'source "$1"; COMP_WORDS=(quorvel-cli $2); [[ $2 == *" " ]] && COMP_WORDS+=(""); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
             _quorvel_cli; printf "%s\n" "${COMPREPLY[@]}"' - "$share/bash-completion/completions/quorvel-cli" "$1"
}
zsh_offers() { zsh -f "$here/zsh-completions.zsh" "$share/zsh/vendor-completions" "quorvel-cli $1"; }
fish_offers() { fish -N -c "source $share/fish/vendor_completions.d/quorvel-cli.fish; complete -C \"\$argv\"" "quorvel-cli $1" | cut -f1; }
home=$root/home
mkdir -p "$home/projects/Old" "$root/work/sub"
touch "$home/projects/"{a.mak,b.txt} "$root/work/"{a.MAK,b.bpr,c.txt,h.hhp}
while IFS='|' read -r line expected; do
    for shell in bash zsh fish; do
        offered=$(cd "$root/work" && HOME=$home XDG_CONFIG_HOME=$root/config XDG_DATA_HOME=$root/data \
            ${shell}_offers "$line" | sed 's|/$||' | LC_ALL=C sort -u | paste -sd' ')
        [ "$offered" = "$expected" ] || fail "$shell completes '$line' with '$offered', not '$expected'"
    done
done <<'TABLE'
sc|scan
map --format c|csv
check --help-pro|--help-project
check --json --s|
check --sarif --j|
--version |
scan --help |
scan a|a.MAK
scan a.MAK a|
scan -- a|a.MAK
check --help-project |h.hhp sub
check --help-project h.hhp |a.MAK b.bpr sub
scan ~/pro|~/projects
scan ~/projects/|~/projects/Old ~/projects/a.mak
TABLE
echo "LinuxPackages: passed"
