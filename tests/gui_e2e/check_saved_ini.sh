# Checks a settings file written by the program's save against the file it started from.
# Source it, then:
#   check_saved_ini BEFORE AFTER EXPECTED DIR
# EXPECTED lists "Section/Key=value" lines: every value the saved file must hold, once each.
# The saved file must end every line as BEFORE did (CRLF or LF), keep every line of BEFORE in
# its place and byte for byte except the values the program writes, and add nothing but the
# keys and sections of those values. DIR takes the working files. Returns 1 with the reasons on
# stdout when the file is not as expected.

# The fifteen keys a save writes, lower case.
SAVED_KEYS="general/channels general/bitspersample general/numberofaverages general/ft-1000mp \
general/level general/alwaysontop general/xpos general/ypos general/arrangevertically \
vfo-a/pitch vfo-a/pitchfreq vfo-a/range vfo-b/pitch vfo-b/pitchfreq vfo-b/range"

# Prints "section/key" (lower case) of every key line, then "[section]" of every section.
ini_names() {
  awk '
    { line = $0; sub(/\r$/, "", line) }
    line ~ /^\[.*\]$/ { section = tolower(substr(line, 2, length(line) - 2)); print "[" section "]"; next }
    index(line, "=") > 1 { print section "/" tolower(substr(line, 1, index(line, "=") - 1)) }' "$1"
}

check_saved_ini() {
  local before=$1 after=$2 expected=$3 dir=$4 ok=0
  local eol=$'\n'
  grep -q $'\r$' "$before" && eol=$'\r\n'
  local lines with_eol
  lines=$(grep -c "" "$after" || true)
  if [ "$eol" = $'\r\n' ]; then with_eol=$(grep -c $'\r$' "$after" || true); else with_eol=$(grep -vc $'\r$' "$after" || true); fi
  if [ "$lines" -ne "$with_eol" ]; then
    echo "only $with_eol of $lines lines end as the old file's did"
    ok=1
  fi
  if [ -s "$after" ] && [ "$(tail -c1 "$after" | od -An -c | tr -d ' ')" != '\n' ]; then
    echo "the last line has no line end"
    ok=1
  fi

  # The old file with the saved values put in: what must remain once the added lines are gone.
  ini_names "$before" >"$dir/names.before"
  awk -v saved="$SAVED_KEYS" '
    BEGIN { n = split(saved, k, " "); for (i = 1; i <= n; ++i) written[k[i]] = 1 }
    FNR == NR { eq = index($0, "="); slash = index($0, "/")
                value[tolower(substr($0, 1, eq - 1))] = substr($0, eq + 1); next }
    {
      line = $0; cr = sub(/\r$/, "", line)
      if (line ~ /^\[.*\]$/) section = tolower(substr(line, 2, length(line) - 2))
      else if (index(line, "=") > 1) {
        key = substr(line, 1, index(line, "=") - 1); name = section "/" tolower(key)
        if ((name in written) && (name in value)) line = key "=" value[name]
      }
      printf "%s%s\n", line, (cr ? "\r" : "")
    }' "$expected" "$before" >"$dir/kept.expected"
  awk '
    FNR == NR { known[$0] = 1; next }
    {
      line = $0; sub(/\r$/, "", line)
      if (line ~ /^\[.*\]$/) {
        section = tolower(substr(line, 2, length(line) - 2))
        if (!(("[" section "]") in known)) next
      } else if (index(line, "=") > 1 && !((section "/" tolower(substr(line, 1, index(line, "=") - 1))) in known)) next
      print
    }' "$dir/names.before" "$after" >"$dir/kept"
  if ! cmp -s "$dir/kept.expected" "$dir/kept"; then
    echo "the lines of the old file were not kept as they were (expected, then found):"
    diff <(cat -A "$dir/kept.expected") <(cat -A "$dir/kept") || true
    ok=1
  fi

  # Every value once, and nothing else.
  awk '
    { line = $0; sub(/\r$/, "", line) }
    line ~ /^\[.*\]$/ { section = substr(line, 2, length(line) - 2); next }
    index(line, "=") > 1 { print section "/" line }' "$after" | sort >"$dir/values"
  sort "$expected" >"$dir/values.expected"
  if ! cmp -s "$dir/values.expected" "$dir/values"; then
    echo "the values are not as expected (expected, then found):"
    diff "$dir/values.expected" "$dir/values" || true
    ok=1
  fi
  return "$ok"
}
