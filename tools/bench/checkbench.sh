#!/bin/sh
# The store check against libpff's full walk of the same files, in one run: wall time and peak memory of
# `storewalker --check FILE` and of `pffexport -q -t DIR FILE` (every item exported to a scratch folder in
# /dev/shm, removed after), then the recovery of deleted messages alone (pstrecoverbench).
#
# libpff's tools are for this benchmark only, not a dependency: apt-get install pff-tools.
# Build first: cmake --build build --target storewalker pstrecoverbench
# Run: tools/bench/checkbench.sh build ../shared/samples/*.pst ../shared/samples/*.ost /tmp/bulk-100000.pst
# (run it where no build competes for the processor; under the build lock on a shared machine).
set -u
build=$1
shift
scratch=$(mktemp -d /dev/shm/checkbench-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
printf '%-45s %10s %8s %14s %8s %10s %14s\n' store MB check_s check_peak_MB status libpff_s libpff_peak_MB
for f in "$@"; do
    size=$(stat -c %s "$f")
    /usr/bin/time -f '%e %M' -o "$scratch/t1" "$build/bin/storewalker" --check "$f" >"$scratch/out" 2>/dev/null
    status=$?
    rm -rf "$scratch/x"
    /usr/bin/time -f '%e %M' -o "$scratch/t2" pffexport -q -t "$scratch/x" "$f" >/dev/null 2>&1
    rm -rf "$scratch/x" "$scratch/x.export" "$scratch/x.orphans" "$scratch/x.recovered"
    read -r t1 m1 <"$scratch/t1"
    read -r t2 m2 <"$scratch/t2"
    printf '%-45s %10.1f %8s %14d %8s %10s %14d\n' "$(basename "$f")" "$(echo "$size / 1000000" | bc -l)" \
        "$t1" $((m1 / 1024)) "$status" "$t2" $((m2 / 1024))
    grep -m1 -i 'problems\|messages' "$scratch/out" | sed 's/^/    check: /'
done
echo
"$build/bin/pstrecoverbench" "$@"
