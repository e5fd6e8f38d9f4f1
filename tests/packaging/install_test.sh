#!/bin/sh
# Velmora installed as a user installs it: cmake --install into a scratch prefix, the installed
# velmora-cli run on an installed example and finding its resources in the installed layout, the
# desktop entry, software-centre data and file types checked by the desktop's own tools, the
# manual pages and the bash completion; then the Debian package built by CPack, its metadata and
# contents, and velmora-cli run from the unpacked package.
# Usage: install_test.sh BUILD_DIR MIME_TYPE_OF
set -u
BUILD=$(cd "$1" && pwd)
MIME_TYPE_OF=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QT_QPA_PLATFORM=offscreen
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
P="$WORK/prefix"

cmake --install "$BUILD" --prefix "$P" >"$WORK/install.log" 2>&1 || { fail "cmake --install"; cat "$WORK/install.log"; }

for f in bin/velmora bin/velmora-cli share/velmora/ASF.dat share/velmora/strings share/velmora/guide.html share/velmora/velmora.svg \
         share/applications/org.velmora.Velmora.desktop share/metainfo/org.velmora.Velmora.metainfo.xml \
         share/mime/packages/org.velmora.Velmora.xml share/icons/hicolor/scalable/apps/org.velmora.Velmora.svg \
         share/icons/hicolor/48x48/apps/org.velmora.Velmora.png share/icons/hicolor/256x256/apps/org.velmora.Velmora.png \
         share/doc/velmora/copyright share/doc/velmora/README.md share/doc/velmora/examples/quartz.cif \
         share/man/man1/velmora.1 share/man/man1/velmora-cli.1 \
         share/bash-completion/completions/velmora share/bash-completion/completions/velmora-cli; do
  [ -f "$P/$f" ] || fail "not installed: $f"
done

# ---- the installed command line on an installed example ----
cd "$WORK" || exit 1
"$P/bin/velmora-cli" simulate "$P/share/doc/velmora/examples/quartz.cif" --listing quartz.txt --plot quartz.png 2>err ||
  { fail "installed velmora-cli simulate"; cat err; }
grep -q '^Filename: quartz.cif' quartz.txt || fail "installed velmora-cli wrote no listing"
head -c 4 quartz.png | grep -q PNG || fail "installed velmora-cli wrote no PNG"

# The installed program reads the installed resources, not the source tree's it was built from.
sed -i 's/^Unknown_File_Type = .*/Unknown_File_Type = INSTALLED STRINGS READ./' "$P/share/velmora/strings"
echo "not a pattern" >unknown.bin
"$P/bin/velmora-cli" simulate unknown.bin 2>err
grep -q 'INSTALLED STRINGS READ' err || { fail "installed velmora-cli did not read share/velmora/strings"; cat err; }

# ---- desktop entry, software-centre data, file types ----
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$P/share/applications/org.velmora.Velmora.desktop" >val 2>&1 || { fail "desktop-file-validate"; cat val; }
  grep -v 'contains more than one main category' val | grep -q . && { fail "desktop-file-validate warns"; cat val; }
else
  fail "desktop-file-validate is missing (scripts/setup installs desktop-file-utils)"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$P/share/metainfo/org.velmora.Velmora.metainfo.xml" >val 2>&1 || { fail "appstreamcli validate"; cat val; }
else
  fail "appstreamcli is missing (scripts/setup installs appstream)"
fi
if command -v update-mime-database >/dev/null; then
  update-mime-database "$P/share/mime" >val 2>&1 || { fail "update-mime-database"; cat val; }
  EX="$P/share/doc/velmora/examples"
  cp "$EX/corundum.obdf" crystal-no-extension
  "$P/bin/velmora-cli" simulate "$EX/quartz.cif" --session quartz.vlmf 2>err || fail "writing a session"
  cp quartz.vlmf session-no-extension
  XDG_DATA_DIRS="$P/share:/usr/share" "$MIME_TYPE_OF" "$EX/corundum.obdf" "$EX/baddeleyite.obd5" crystal-no-extension \
      quartz.vlmf session-no-extension "$EX/quartz.cif" >types 2>err
  printf '%s\n' application/x-orbelin-crystal application/x-orbelin-crystal application/x-orbelin-crystal \
      application/x-velmora-session application/x-velmora-session chemical/x-cif >want
  cmp -s types want || { fail "file types by name and magic"; paste want types; }
else
  fail "update-mime-database is missing (scripts/setup installs shared-mime-info)"
fi

# ---- manual pages and completion ----
for page in velmora velmora-cli; do
  groff -man -ww -z -Tutf8 "$P/share/man/man1/$page.1" 2>err || fail "$page.1 does not format"
  [ ! -s err ] || { fail "$page.1 gives groff warnings"; cat err; }
done
MANWIDTH=200 man -l "$P/share/man/man1/velmora-cli.1" 2>/dev/null >man.txt
for word in '--shard' '--resume' '--out' '--listing' 'velmora-cli batch' 'velmora-cli simulate'; do
  grep -qF -- "$word" man.txt || fail "velmora-cli.1 lacks $word"
done
MANWIDTH=200 man -l "$P/share/man/man1/velmora.1" 2>/dev/null | grep -qF -- '--new-instance' || fail "velmora.1 lacks --new-instance"
cat >complete.sh <<EOS
. "$P/share/bash-completion/completions/velmora-cli"
complete_words() { COMP_WORDS=("\$@"); COMP_CWORD=\$((\$# - 1)); COMPREPLY=(); _velmora_cli; echo "\${COMPREPLY[*]}"; }
complete_words velmora-cli ba
complete_words velmora-cli batch --sh
complete_words velmora-cli simulate --res
complete_words velmora-cli simulate --plot ""
. "$P/share/bash-completion/completions/velmora"
COMP_WORDS=(velmora --new); COMP_CWORD=1; _velmora; echo "\${COMPREPLY[*]}"
EOS
bash complete.sh >completions 2>err || { fail "completion scripts"; cat err; }
printf '%s\n' batch --shard --residual '' --new-instance >want
cmp -s completions want || { fail "bash completion"; paste want completions; }

# ---- the Debian package ----
if command -v dpkg-shlibdeps >/dev/null; then
  cpack --config "$BUILD/CPackConfig.cmake" -G DEB -B "$WORK/deb" >cpack.log 2>&1 || { fail "cpack -G DEB"; tail -20 cpack.log; }
  deb=$(ls "$WORK"/deb/velmora_*.deb 2>/dev/null | head -1)
  if [ -n "$deb" ]; then
    dpkg-deb --info "$deb" >info
    grep -q '^ Package: velmora$' info || fail "package name"
    grep -q '^ Section: science$' info || fail "package section"
    grep '^ Depends:' info | grep -q 'libqt6widgets6' || { fail "dependencies not computed from the libraries"; cat info; }
    dpkg-deb --contents "$deb" >contents
    for f in ./usr/bin/velmora ./usr/bin/velmora-cli ./usr/share/velmora/ASF.dat \
             ./usr/share/applications/org.velmora.Velmora.desktop ./usr/share/doc/velmora/copyright \
             ./usr/share/man/man1/velmora-cli.1; do
      grep -q " $f\$" contents || fail "package lacks $f"
    done
    mkdir root && dpkg-deb -x "$deb" root
    root/usr/bin/velmora-cli simulate root/usr/share/doc/velmora/examples/quartz.cif --listing - >listing 2>err ||
      { fail "velmora-cli from the package"; cat err; }
    grep -q '^Filename: quartz.cif' listing || fail "velmora-cli from the package wrote no listing"
  else
    fail "cpack wrote no package"
  fi
else
  fail "dpkg-shlibdeps is missing (scripts/setup installs dpkg-dev)"
fi

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all installation checks passed"
