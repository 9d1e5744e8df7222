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
    for line in 'Name=CW Keblor' 'Exec=keblor' 'Icon=keblor' 'Categories=AudioVideo;Audio;HamRadio;'; do
      grep -qxF "$line" "$desktop" || fault "keblor.desktop lacks '$line'"
    done
    if command -v desktop-file-validate >/dev/null 2>&1; then
      desktop-file-validate "$desktop" || fault "desktop-file-validate rejects keblor.desktop"
    else
      echo "note: desktop-file-validate not installed, desktop file not validated"
    fi
  else
    fault "share/applications/keblor.desktop missing"
  fi

  svg=$prefix/share/icons/hicolor/scalable/apps/keblor.svg
  if [ -f "$svg" ]; then
    grep -q '<svg' "$svg" || fault "keblor.svg is not an SVG image"
  else
    fault "scalable icon keblor.svg missing"
  fi
  png=$prefix/share/icons/hicolor/32x32/apps/keblor.png
  if [ -f "$png" ]; then
    # PNG signature, then the IHDR chunk: width and height as 32-bit big-endian numbers.
    sig=$(od -An -tx1 -N8 "$png" | tr -d ' \n')
    size=$(od -An -tx1 -j16 -N8 "$png" | tr -d ' \n')
    [ "$sig" = 89504e470d0a1a0a ] || fault "keblor.png is not a PNG image"
    [ "$size" = 0000002000000020 ] || fault "keblor.png is not 32x32 (IHDR size $size)"
  else
    fault "32x32 icon keblor.png missing"
  fi

  [ "$faults" -eq 0 ] || return 1
  echo "layout OK under $prefix"
}
