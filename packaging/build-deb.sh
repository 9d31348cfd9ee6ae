#!/usr/bin/env bash
# Builds the Debian package of quorvel-cli with dpkg-deb, as the Debian policy lays a package out:
#   build-deb.sh VERSION PROGRAM DOCS SOURCE STAGE OUTPUT
# PROGRAM is quorvel-cli linked with the system's shared libraries (Depends names them); DOCS is the
# folder where quorvel-cli-docs wrote the manual page and the completions; SOURCE the source tree
# (its LICENSE and CHANGELOG.md, and its last commit's time); STAGE a scratch folder;
# OUTPUT the package file, quorvel-cli_VERSION_ARCH.deb.
set -euo pipefail
[ $# -eq 6 ] || { echo "usage: build-deb.sh VERSION PROGRAM DOCS SOURCE STAGE OUTPUT" >&2; exit 2; }
version=$1 program=$2 docs=$3 source=$4 stage=$5 output=$6
umask 022
package=quorvel-cli
maintainer="The Quorvel authors <quorvel@example.org>"

rm -rf "$stage"
root=$stage/debian/$package # where dpkg-shlibdeps looks for a package's files
doc=$root/usr/share/doc/$package
install -d -m 0755 "$root/DEBIAN" "$root/usr/bin" "$root/usr/share/man/man1" "$doc" \
    "$root/usr/share/bash-completion/completions" "$root/usr/share/zsh/vendor-completions" \
    "$root/usr/share/fish/vendor_completions.d"
install -m 0755 "$program" "$root/usr/bin/$package"
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$root/usr/bin/$package"
gzip -9n <"$docs/$package.1" >"$root/usr/share/man/man1/$package.1.gz"
install -m 0644 "$docs/$package.bash" "$root/usr/share/bash-completion/completions/$package"
install -m 0644 "$docs/_$package" "$root/usr/share/zsh/vendor-completions/_$package"
install -m 0644 "$docs/$package.fish" "$root/usr/share/fish/vendor_completions.d/$package.fish"

# The license in Debian's machine-readable format: the notice's holder, then the text after it,
# each line indented and a blank line written as " .".
holder=$(sed -n 's/^Copyright (c) //p' "$source/LICENSE" | head -1)
{
    echo "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
    echo "Upstream-Name: Quorvel"
    echo
    echo "Files: *"
    echo "Copyright: $holder"
    echo "License: Expat"
    sed '1,/^Copyright (c) /d' "$source/LICENSE" | sed '/./,$!d; s/^$/./; s/^/ /'
} >"$doc/copyright"

# Quorvel is its own upstream: a native package, whose changelog.gz is made from CHANGELOG.md, a
# version to an entry dated as its heading says; its newest section must be this version. The
# package's files have the last commit's time, so the same tree gives the same package.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct 2>/dev/null || date +%s)}
debian_changelog() {
    local line item= newest= stamp=
    entry_item() {
        [ -z "$item" ] || fold -s -w 74 <<<"$item" | sed 's/ *$//; 1s/^/  * /; 2,$s/^/    /'
        item=
    }
    entry_end() {
        [ -z "$stamp" ] || { entry_item; printf '\n -- %s  %s\n\n' "$maintainer" "$stamp"; }
    }
    while IFS= read -r line; do
        if [[ $line =~ ^##\ ([0-9][^ ]*)\ \(([0-9]{4}-[0-9]{2}-[0-9]{2})\)$ ]]; then
            entry_end
            newest=${newest:-${BASH_REMATCH[1]}}
            stamp=$(LC_ALL=C date -u -R -d "${BASH_REMATCH[2]}")
            printf '%s (%s) unstable; urgency=medium\n\n' "$package" "${BASH_REMATCH[1]}"
        elif [ -n "$stamp" ] && [[ $line == "- "* ]]; then
            entry_item
            item=${line#- }
        elif [ -n "$item" ] && [[ $line == "  "?* ]]; then
            item+=" ${line#  }"
        fi
    done <"$source/CHANGELOG.md"
    entry_end
    if [ "$newest" != "$version" ]; then
        echo "build-deb: the newest section of CHANGELOG.md is '$newest', not $version" >&2
        return 1
    fi
}
changelog=$(debian_changelog)
printf '%s\n' "$changelog" | gzip -9n >"$doc/changelog.gz"

# Depends: the shared libraries the program links, as dpkg-shlibdeps finds them.
mkdir -p "$stage/debian" && : >"$stage/debian/control"
depends=$(cd "$stage" && dpkg-shlibdeps -O "debian/$package/usr/bin/$package" | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "build-deb: dpkg-shlibdeps found no libraries for $program" >&2; exit 1; }

cat >"$root/DEBIAN/control" <<EOF
Package: $package
Version: $version
Architecture: $(dpkg --print-architecture)
Maintainer: $maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)
Depends: $depends
Section: devel
Priority: optional
Description: list the HelpContext numbers of a form-based project's forms
 quorvel-cli reads the form files that a project makefile (.mak) of a
 late-1990s visual C++ development environment lists, and finds every
 HelpContext setting in them. It lists forms and components with their
 numbers, writes them as the map a help project includes, checks them for
 repeated and negative numbers and against an HTML or classic help project,
 and converts a binary form to its text and back.
EOF
(cd "$root" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

mkdir -p "$(dirname "$output")"
SOURCE_DATE_EPOCH=$epoch dpkg-deb --root-owner-group -Zxz --build "$root" "$output" >/dev/null
