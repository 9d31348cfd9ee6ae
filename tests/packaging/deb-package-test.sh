#!/usr/bin/env bash
# deb-package-test.sh CMAKE BUILD DEB VERSION: builds the package, checks its files and lintian's
# verdict, unpacks it into a scratch root and runs the program, the manual page and the completion
# from there.
set -euo pipefail
cmake=$1 build=$2 deb=$3 version=$4
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in dpkg-deb lintian man; do
    command -v $tool >/dev/null || fail "$tool is missing (scripts/install-deps.sh dist)"
done
"$cmake" --build "$build" --target quorvel-deb >/dev/null

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

verdict=$(lintian "$deb" 2>/dev/null) || true
grep '^E:' <<<"$verdict" && fail "lintian reports errors"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
"$root/usr/bin/quorvel-cli" --version | grep -qx "quorvel-cli $version (\([0-9a-f]\{7,\}\|unknown\))" ||
    fail "--version: $("$root/usr/bin/quorvel-cli" --version)"

page=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/quorvel-cli.1.gz" 2>"$root/warnings")
[ ! -s "$root/warnings" ] || fail "man: $(cat "$root/warnings")"
for section in NAME SYNOPSIS DESCRIPTION COMMANDS OPTIONS 'EXIT STATUS' FILES EXAMPLES; do
    grep -qx "$section" <<<"$page" || fail "no $section in the manual page"
done
grep -q 'quorvel-cli check \[--json | --sarif\]' <<<"$page" || fail "synopsis: $page"

completes() { # completes WORDS... EXPECTED: what bash offers for the last word
    local expected=${*: -1}
    bash -c 'source "$1"; shift; COMP_WORDS=(quorvel-cli "$@"); COMP_CWORD=$#; _quorvel_cli; echo "${COMPREPLY[*]}"' \
        - "$root/usr/share/bash-completion/completions/quorvel-cli" "${@:1:$#-1}" | grep -qx -- "$expected" ||
        fail "completion of $*"
}
completes sc scan
completes map --format c csv
completes check --help-pro --help-project
echo "DebPackage: passed"
