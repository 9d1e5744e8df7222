#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own, or of a sibling layer:
# each folder of src/ may include its own headers and those of the layers below it.
#   base <- analysis, rig, spots <- core <- capture, display <- app, winapi <- portaudio, pulse, wavein, desktop, hamlib,
#   posix
#   <- qt, win32
set -u
src=${1:?usage: check_layers.sh SRC_DIR}

declare -A rank=([base]=-1 [analysis]=0 [rig]=0 [spots]=0 [core]=1 [capture]=2 [display]=2 [app]=3 [winapi]=3 [portaudio]=4 [pulse]=4 [wavein]=4 [desktop]=4 [hamlib]=4 [posix]=4 [qt]=5 [win32]=5)

status=0
for dir in "$src"/*/; do
  layer=$(basename "$dir")
  [ -n "${rank[$layer]+x}" ] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    target=$(sed -E 's/.*#include "([a-z0-9_]+)\/.*/\1/' <<<"$hit")
    [ "$target" = "$layer" ] && continue
    if [ -z "${rank[$target]+x}" ] || [ "${rank[$target]}" -ge "${rank[$layer]}" ]; then
      echo "layer violation: $file ($layer) includes $target/"
      status=1
    fi
  done < <(grep -HE '^#include "[a-z0-9_]+/' "$dir"*.h "$dir"*.cpp 2>/dev/null)
done
# Every folder under src/ with code must have a place in the order.
for dir in "$src"/*/; do
  layer=$(basename "$dir")
  [ -n "${rank[$layer]+x}" ] && continue
  # A folder with only sources or only headers counts too.
  if compgen -G "$dir*.cpp" >/dev/null || compgen -G "$dir*.h" >/dev/null; then
    echo "layer violation: src/$layer has no place in the layer order"
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "layers: every include points down"
exit "$status"
