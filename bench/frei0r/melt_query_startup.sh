#!/bin/sh
# Start-up cost of the frei0r plugins for hosts that never use them: MLT
# loads every plugin on FREI0R_PATH and asks for its description at every
# start. Times `melt -query filters` (median of RUNS) without the plugins
# and with them, and prints both and their ratio.
#
#   melt_query_startup.sh PLUGIN_FOLDER [RUNS]
set -eu
plugins=$1
runs=${2:-7}
[ -d "$plugins" ] || { echo "no plugin folder $plugins" >&2; exit 1; }
command -v melt >/dev/null || { echo "melt is not installed" >&2; exit 1; }
empty=$(mktemp -d)  # holds no plugin, only the timings
trap 'rm -r "$empty"' EXIT

# Wall time in seconds of one `melt -query filters` with FREI0R_PATH=$1.
timed() {
    start=$(date +%s.%N)
    FREI0R_PATH=$1 melt -query filters >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

median() {
    sort -n "$1" | awk '{ t[NR] = $1 } END { printf "%.3f", t[int((NR + 1) / 2)] }'
}

# A first run warms the file cache; then the two alternate, so that load
# from elsewhere on the machine falls on both alike.
FREI0R_PATH=$plugins melt -query filters >/dev/null 2>&1 || true
: >"$empty/without"
: >"$empty/with"
i=0
while [ $i -lt "$runs" ]; do
    timed "$empty" >>"$empty/without"
    timed "$plugins" >>"$empty/with"
    i=$((i + 1))
done
without=$(median "$empty/without")
with=$(median "$empty/with")
count=$(find "$plugins" -maxdepth 1 -name '*.so' | wc -l)
echo "melt -query filters, median of $runs runs:"
echo "  without the plugins:       $without s"
echo "  with $count plugins:            $with s"
echo "  ratio:                     $(echo "$with / $without" | bc -l | cut -c1-4)"
