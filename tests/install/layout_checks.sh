# Checks of an installed tree, shared by the install and package tests. Sourced, not run.

# check_layout PREFIX HAS_PROGRAM HAS_ANALYSE: prints each fault and fails when there is one.
check_layout() {
  prefix=$1 want_program=$2 want_analyse=$3
  faults=0
  fault() { echo "FAIL: $*"; faults=$((faults + 1)); }

  if [ "$want_program" = 1 ]; then
    [ -x "$prefix/bin/keblor" ] || fault "bin/keblor missing or not executable"
  fi
  if [ "$want_analyse" = 1 ]; then
    [ -x "$prefix/bin/keblor-analyse" ] || fault "bin/keblor-analyse missing or not executable"
  fi

  help=$prefix/share/keblor/help
  if [ -f "$help/index.html" ]; then
    grep -q 'id="CONTENTS"' "$help/index.html" || fault "help index.html has no CONTENTS anchor"
    # Every link between the pages must lead to an installed page and, with a #, to an id on it.
    for page in "$help"/*.html; do
      for link in $(grep -o 'href="[^"]*"' "$page" | sed 's/^href="//; s/"$//'); do
        case $link in
          http:* | https:* | mailto:*) continue ;;
        esac
        file=${link%%#*}
        [ -n "$file" ] || file=$(basename "$page")
        if [ ! -f "$help/$file" ]; then
          fault "$(basename "$page") links to missing $file"
          continue
        fi
        case $link in
          *'#'*)
            anchor=${link#*#}
            grep -q "id=\"$anchor\"" "$help/$file" || fault "$(basename "$page") links to missing anchor $link"
            ;;
        esac
      done
    done
  else
    fault "share/keblor/help/index.html missing"
  fi

  desktop=$prefix/share/applications/keblor.desktop
  if [ -f "$desktop" ]; then
    # Started from the menu, the settings go to the user's config folder.
    for line in 'Name=CW Keblor' 'Exec=keblor --settings-in-config' 'Icon=keblor' \
      'Categories=AudioVideo;Audio;HamRadio;'; do
      grep -qxF "$line" "$desktop" || fault "keblor.desktop lacks '$line'"
    done
    if command -v desktop-file-validate >/dev/null 2>&1; then
      desktop-file-validate "$desktop" || fault "desktop-file-validate rejects keblor.desktop"
    else
      fault "desktop-file-validate not installed (scripts/install-deps.sh installs it)"
    fi
  else
    fault "share/applications/keblor.desktop missing"
  fi

  metainfo=$prefix/share/metainfo/org.example.keblor.metainfo.xml
  if [ -f "$metainfo" ]; then
    grep -qF '<launchable type="desktop-id">keblor.desktop</launchable>' "$metainfo" ||
      fault "the metainfo does not launch keblor.desktop"
    if command -v appstreamcli >/dev/null 2>&1; then
      appstreamcli validate --no-net "$metainfo" || fault "appstreamcli rejects $(basename "$metainfo")"
    else
      fault "appstreamcli not installed (scripts/install-deps.sh installs it)"
    fi
  else
    fault "share/metainfo/org.example.keblor.metainfo.xml missing"
  fi

  for page in keblor keblor-analyse; do
    man=$prefix/share/man/man1/$page.1.gz
    if [ -f "$man" ]; then
      gzip -dc "$man" | grep -q "^\.TH " || fault "$page.1.gz is no compressed manual page"
    else
      fault "share/man/man1/$page.1.gz missing"
    fi
  done
  doc=$prefix/share/doc/keblor
  head -n 1 "$doc/copyright" 2>/dev/null | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' ||
    fault "share/doc/keblor/copyright missing or not machine-readable"
  gzip -dc "$doc/changelog.gz" 2>/dev/null | head -n 1 | grep -q '^keblor (' ||
    fault "share/doc/keblor/changelog.gz missing or not a changelog"

  svg=$prefix/share/icons/hicolor/scalable/apps/keblor.svg
  if [ -f "$svg" ]; then
    grep -q '<svg' "$svg" || fault "keblor.svg is not an SVG image"
  else
    fault "scalable icon keblor.svg missing"
  fi
  for size in 16 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x$size/apps/keblor.png
    if [ -f "$png" ]; then
      # PNG signature, then the IHDR chunk: width and height as 32-bit big-endian numbers.
      sig=$(od -An -tx1 -N8 "$png" | tr -d ' \n')
      ihdr=$(od -An -tx1 -j16 -N8 "$png" | tr -d ' \n')
      want=$(printf '%08x%08x' "$size" "$size")
      [ "$sig" = 89504e470d0a1a0a ] || fault "${size}x$size keblor.png is not a PNG image"
      [ "$ihdr" = "$want" ] || fault "${size}x$size keblor.png has IHDR size $ihdr"
    else
      fault "${size}x$size icon keblor.png missing"
    fi
  done

  [ "$faults" -eq 0 ] || return 1
  echo "layout OK under $prefix"
}
