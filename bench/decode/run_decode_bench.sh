#!/bin/sh
# The decoder benchmark: run_decode_bench.sh KEBLOR_ANALYSE [--quick] [--only TEXT] [--keep DIR] [--json FILE]
# (decode_bench.py tells more). Runs it with a Python 3 that has numpy (Debian's python3-numpy),
# which may not be the first python3 on the PATH.
here=$(dirname "$0")
for py in python3 /usr/bin/python3; do
  if "$py" -c "import numpy" 2>/dev/null; then
    exec "$py" "$here/decode_bench.py" "$@"
  fi
done
echo "run_decode_bench.sh: needs Python 3 with numpy (python3-numpy)" >&2
exit 1
