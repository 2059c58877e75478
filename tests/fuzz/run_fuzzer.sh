#!/usr/bin/env bash
# Runs the record-walk fuzzer from the committed seeds for a while; any finding fails.
#   run_fuzzer.sh FUZZER SCRATCH-DIR [SECONDS]
# The seeds are copied into SCRATCH-DIR/corpus, which the fuzzer grows; the
# source tree is never written. A finding lands in SCRATCH-DIR/findings/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
fuzzer=${1:?fuzzer binary}
scratch=${2:?scratch folder}
seconds=${3:-60}
# The fuzzer runs inside the scratch folder.
[[ $fuzzer = /* ]] || fuzzer=$PWD/$fuzzer
[[ $scratch = /* ]] || scratch=$PWD/$scratch

if [ ! -x "$fuzzer" ]; then
    echo "FAIL: no fuzzer at $fuzzer (scripts/build.sh makes it in build/fuzz)" >&2
    exit 1
fi

rm -rf "$scratch/corpus" "$scratch/findings"
mkdir -p "$scratch/corpus" "$scratch/findings"
cp "$here"/corpus/* "$scratch/corpus/"
cd "$scratch"

status=0
"$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -dict="$here/record_walk.dict" \
    -artifact_prefix="$scratch/findings/" "$scratch/corpus" || status=$?
if [ "$status" -ne 0 ]; then
    echo "FAIL: the fuzzer stopped with status $status; the input is in $scratch/findings/:" >&2
    ls -l "$scratch/findings" >&2
    exit "$status"
fi
