#!/usr/bin/env bash
# Installs a build into a scratch prefix and checks the tree as a packager would: every file in
# place, the desktop entry and the AppStream file valid, the manual page clean, the icon the
# size its folder says, and the installed command line encrypting and decrypting. Where dpkg-deb
# is present, the Debian package is made and checked too: its dependencies, lintian, and the
# file types it brings to a desktop (xdg-utils with libfile-mimeinfo-perl, shared-mime-info,
# desktop-file-utils).
# Usage: check-install.sh BUILD_DIR SCRATCH_PREFIX [WEB_PAGE...]
# The web pages (user-guide.html, file-format.html) are named when the build made them.
set -euo pipefail
build=$1
prefix=$2
web_pages=("${@:3}")
id=org.revarodevaza.zr7e

# The Debian package that cpack makes holds the same files as the installed tree, under /usr,
# with the manual pages compressed; its dependencies name the libraries the programs link and
# the fonts the windows are laid out in, and lintian, where installed, finds no error and no
# warning in it.
check_package() {
    local build=$1 tree=$2 scratch=$3
    rm -rf "$scratch"
    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >/dev/null
    local deb
    deb=$(echo "$scratch"/zr7e_*.deb)
    dpkg-deb -x "$deb" "$scratch/root"
    diff <(cd "$tree" && find . -type f | sed 's,^\./share/man/.*,&.gz,' | sort) \
         <(cd "$scratch/root/usr" && find . -type f | sort) \
        || { echo "the package's files (>) differ from the installed tree's (<)" >&2; exit 1; }
    local depends
    depends=$(dpkg-deb -f "$deb" Depends)
    [[ $depends == *libsodium* && $depends == *libqt6core* && $depends == *libqt6widgets* ]] \
        || { echo "the package's dependencies lack libsodium or Qt: '$depends'" >&2; exit 1; }
    # The window's layout is measured in Liberation Sans.
    [[ $depends =~ (^|, )fonts-liberation(,|$| ) ]] \
        || { echo "the package does not depend on fonts-liberation: '$depends'" >&2; exit 1; }
    check_file_types "$scratch/root/usr/share" "$scratch/desktop"
    if command -v lintian >/dev/null; then
        lintian --fail-on error,warning "$deb" 2> >(grep -v 'running with root privileges' >&2)
    else
        echo "lintian not found: the package is not checked for errors"
    fi
    echo "package $(basename "$deb"): the installed tree's files, depends on $depends"
}

# A desktop that has only the package, once the package's triggers have run (the databases of
# file types and of desktop entries): a *.zr7 file has the program's type, which the program
# opens, and the program is the default neither for folders nor for files of unknown type.
check_file_types() {
    local share=$1 scratch=$2 type=application/x-zr7-encrypted
    rm -rf "$scratch"
    mkdir -p "$scratch/home"
    desktop() {
        env -i PATH="$PATH" HOME="$scratch/home" XDG_DATA_HOME="$scratch/home/.local/share" \
            XDG_DATA_DIRS="$share" XDG_CONFIG_HOME="$scratch/home/.config" \
            XDG_CONFIG_DIRS="$scratch/xdg" "$@"
    }
    desktop update-mime-database "$share/mime"
    desktop update-desktop-database "$share/applications"
    head -c 1000 /dev/urandom >"$scratch/home/x.zr7"
    local found
    found=$(desktop xdg-mime query filetype "$scratch/home/x.zr7")
    [ "$found" = $type ] || { echo "x.zr7 is of the type '$found', not $type" >&2; exit 1; }
    found=$(desktop xdg-mime query default $type)
    [ "$found" = $id.desktop ] || { echo "$type opens with '$found', not $id.desktop" >&2; exit 1; }
    for type in inode/directory application/octet-stream; do
        found=$(desktop xdg-mime query default $type)
        [[ $found != *zr7e* ]] || { echo "the package makes $found open $type" >&2; exit 1; }
    done
}

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/zr7e bin/zr7e-cli share/zr7e/zr7e.dat share/zr7e/user-guide.md \
            share/zr7e/file-format.md share/zr7e/images/main-window.png \
            share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
            share/kio/servicemenus/$id.servicemenu.desktop share/mime/packages/$id.xml \
            share/icons/hicolor/scalable/mimetypes/application-x-zr7-encrypted.svg \
            share/lintian/overrides/zr7e \
            share/icons/hicolor/scalable/apps/zr7e.svg share/icons/hicolor/48x48/apps/zr7e.png \
            share/man/man1/zr7e.1 share/man/man1/zr7e-cli.1 \
            share/bash-completion/completions/zr7e-cli "${web_pages[@]/#/share/zr7e/}"; do
    [ -s "$prefix/$file" ] || { echo "missing from the installed tree: $file" >&2; exit 1; }
done

# The pictures installed are those the guide shows.
diff <(grep -o '](images/[^)]*)' "$prefix/share/zr7e/user-guide.md" | sed 's/^](//; s/)$//' |
       sort -u) \
     <(cd "$prefix/share/zr7e" && find images -type f | sort) ||
    { echo "the pictures the guide shows (<) differ from those installed (>)" >&2; exit 1; }
# The guide's web page is in English, has a table of contents, and leads to the format's page,
# not to Markdown.
if [[ " ${web_pages[*]} " == *" user-guide.html "* ]]; then
    page=$prefix/share/zr7e/user-guide.html
    grep -q '<html[^>]* lang="en"' "$page" && grep -q 'id="TOC"' "$page" &&
        grep -q 'href="file-format.html"' "$page" && ! grep -q 'href="[^":]*\.md' "$page" ||
        { echo "user-guide.html lacks its language, contents or link to the format" >&2; exit 1; }
fi

desktop-file-validate "$prefix/share/applications/$id.desktop" \
    "$prefix/share/kio/servicemenus/$id.servicemenu.desktop"
[ -x "$prefix/share/kio/servicemenus/$id.servicemenu.desktop" ] ||
    { echo "the service menu is not executable" >&2; exit 1; }
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"

# Width and height of the PNG, from its header.
size=$(od -An -tu1 -j16 -N8 "$prefix/share/icons/hicolor/48x48/apps/zr7e.png" | tr -s ' ')
[ "$size" = " 0 0 0 48 0 0 0 48" ] || { echo "the 48x48 icon is not 48 x 48:$size" >&2; exit 1; }

warnings=$(groff -man -Tutf8 -ww -z "$prefix"/share/man/man1/zr7e{,-cli}.1 2>&1)
[ -z "$warnings" ] || { echo "manual page: $warnings" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'Dear reader,\n' > "$work/letter.txt"
mkdir "$work/safe" "$work/back"
cli="$prefix/bin/zr7e-cli"
"$cli" newkey "$work/my.key" >/dev/null
"$cli" encrypt --to "$work/safe" --as '*.zr7' --key-file "$work/my.key" --yes "$work/letter.txt" \
    >/dev/null 2>&1
"$cli" decrypt --to "$work/back" --as '*.txt' --key-file "$work/my.key" --yes \
    "$work/safe/letter.zr7" >/dev/null 2>&1
cmp "$work/letter.txt" "$work/back/letter.txt"
echo "installed tree in $prefix: complete, valid, and working"

if ! command -v dpkg-deb >/dev/null; then
    echo "dpkg-deb not found: the Debian package is not checked"
    exit 0
fi
# Nobody ships the sanitizers' build: its package is left to the ordinary build's test.
if grep -qx 'ZR7_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
    echo "a sanitized build: its Debian package is not checked"
    exit 0
fi
check_package "$build" "$prefix" "$prefix-deb"
