#!/bin/sh
# The decoder benchmark: run_decode_bench.sh KEBLOR_ANALYSE [--quick] [--only TEXT] [--keep DIR] [--json FILE]
# [--seeds 0,1000,2000] [--jobs 2] (decode_bench.py tells more); run_decode_bench.sh --compare-ebook2cw measures the keying of the
# recordings against Debian's ebook2cw. Runs with a Python 3 that has numpy (python3-numpy),
# which may not be the first python3 on the PATH.
here=$(dirname "$0")
script=decode_bench.py
if [ "${1:-}" = --compare-ebook2cw ]; then
  script=cw_recordings.py
fi
for py in python3 /usr/bin/python3; do
  if "$py" -c "import numpy" 2>/dev/null; then
    exec "$py" "$here/$script" "$@"
  fi
done
echo "run_decode_bench.sh: needs Python 3 with numpy (python3-numpy)" >&2
exit 1
