#!/usr/bin/env bash
# The service benchmark. Prints, side by side in one run:
#   - path mode: read and write rates achieved under limits of 4, 16 and
#     64 MiB/s (fio, O_DIRECT, 10 s each);
#   - process mode: the same, through quorbeld pacing a fio process;
#   - the unthrottled path mount against the same file without it:
#     sequential 1 MiB reads and writes, 4 KiB random reads; each case runs
#     native and mounted in turn, QUORBEL_BENCH_REPEATS times (default 3),
#     and the median of each side is compared;
#   - quorbeld's own CPU time while it holds 8 idle process missions.
# Needs root, /dev/fuse and fio. Run by hand, never from ctest:
#   bench/service/service_bench.sh [BIN_DIR]
# BIN_DIR holds quorbel_bench_mount, quorbel_bench_client and quorbeld
# (default: $DRAVIK_BIN_DIR, else build/bin). Without quorbeld the process
# mode rows are left out. QUORBEL_BENCH_SECONDS shortens the 10 s runs;
# QUORBELD_ARGS adds options to quorbeld (it runs in the foreground);
# QUORBEL_BENCH_ONLY=path|process|unthrottled|cpu (comma-separated) runs
# only those parts.
set -euo pipefail

BIN=${1:-${DRAVIK_BIN_DIR:-$(cd "$(dirname "$0")/../.." && pwd)/build/bin}}
SECONDS_PER_RUN=${QUORBEL_BENCH_SECONDS:-10}
COMPARE_SECONDS=$(( SECONDS_PER_RUN / 2 > 2 ? SECONDS_PER_RUN / 2 : 2 ))
LIMITS_MIB=(4 16 64)
QUORBELD_ARGS=${QUORBELD_ARGS:-}
REPEATS=${QUORBEL_BENCH_REPEATS:-3}
ONLY=${QUORBEL_BENCH_ONLY:-path,process,unthrottled,cpu}
wanted() { [[ ,$ONLY, == *,$1,* ]]; }

die() { echo "service_bench: $*" >&2; exit 1; }
[[ $(id -u) -eq 0 ]] || die "needs root (FUSE mounts, process pacing)"
[[ -w /dev/fuse ]] || die "needs /dev/fuse"
command -v fio >/dev/null || die "needs fio (scripts/install-deps.sh)"
command -v python3 >/dev/null || die "needs python3 to read fio's JSON"
[[ -x $BIN/quorbel_bench_mount && -x $BIN/quorbel_bench_client ]] ||
    die "build quorbel_bench_mount and quorbel_bench_client into $BIN first"

# On the disk, not in a tmpfs: O_DIRECT must reach a real block device.
WORK=$(mktemp -d /var/tmp/quorbel-bench.XXXXXX)
MOUNT_PID=""
QUORBELD_PID=""
IDLE_PIDS=()
cleanup() {
    set +e
    [[ -n $MOUNT_PID ]] && kill "$MOUNT_PID" 2>/dev/null && wait "$MOUNT_PID" 2>/dev/null
    for p in "${IDLE_PIDS[@]}"; do kill "$p" 2>/dev/null; done
    if [[ -n $QUORBELD_PID ]]; then
        QUORBEL_DEVICE=$WORK/device "$BIN/quorbel_bench_client" clear >/dev/null 2>&1
        kill "$QUORBELD_PID" 2>/dev/null
        wait "$QUORBELD_PID" 2>/dev/null
    fi
    umount -l "$WORK/data" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

DATA=$WORK/data
mkdir -p "$DATA"
FILE=$DATA/bench.bin
FILE_MIB=1024
echo "Preparing a ${FILE_MIB} MiB file in $DATA ..."
dd if=/dev/urandom of="$FILE" bs=1M count=$FILE_MIB status=none
# The native side reads and writes the very same file (same inode, same
# blocks) through a second name outside the mounted folder, so native and
# mounted runs can alternate while the mount stays up.
mkdir -p "$WORK/native"
NATIVE_FILE=$WORK/native/bench.bin
ln "$FILE" "$NATIVE_FILE"
sync

# fio_mib RW BS SECONDS [EXE] [extra fio options...] -> MiB/s achieved
# (on $FILE, or on $FIO_FILE when set)
fio_mib() {
    local rw=$1 bs=$2 secs=$3 exe=${4:-fio}
    shift 4 || shift $#
    local out
    out=$("$exe" --name=bench --filename="${FIO_FILE:-$FILE}" --size=${FILE_MIB}M --rw="$rw" --bs="$bs" \
        --direct=1 --ioengine=psync --time_based --runtime="$secs" --ramp_time=0 \
        --fallocate=none --output-format=json "$@" 2>/dev/null)
    # fio may print notes around its JSON (a job held stopped for long says
    # so); a run without any JSON reports nan rather than ending the script.
    python3 -c '
import json, sys
text = sys.stdin.read()
try:
    job = json.JSONDecoder().raw_decode(text[text.index("{"):])[0]["jobs"][0]
except (ValueError, KeyError, IndexError):
    print("fio gave no figures: " + text[:200], file=sys.stderr)
    print("nan")
    sys.exit(0)
side = "write" if "write" in sys.argv[1] else "read"
print("%.2f" % (job[side]["bw_bytes"] / 2**20))' "$rw" <<<"$out"
}

# Starts the path mount holder with the given limits (bytes/s or none).
start_mount() {
    coproc MOUNT { exec "$BIN/quorbel_bench_mount" "$DATA" "$1" "$2"; }
    MOUNT_PID=$MOUNT_PID
    local line
    read -r -u "${MOUNT[0]}" line || die "the path mount did not start"
    [[ $line == ready ]] || die "the path mount said: $line"
}

stop_mount() {
    kill "$MOUNT_PID"
    wait "$MOUNT_PID" || true
    MOUNT_PID=""
}

deviation() { python3 -c 'import sys; a,l=map(float,sys.argv[1:]); print("%+.1f%%" % ((a-l)/l*100))' "$1" "$2"; }
ratio() { python3 -c 'import sys; a,b=map(float,sys.argv[1:]); print("%.0f%%" % (a/b*100))' "$1" "$2"; }

declare -A PATH_READ PATH_WRITE PROC_READ PROC_WRITE
if wanted path; then
    echo "Path mode: ${SECONDS_PER_RUN} s per run ..."
    for l in "${LIMITS_MIB[@]}"; do
        start_mount $((l << 20)) $((l << 20))
        PATH_READ[$l]=$(fio_mib read 256k "$SECONDS_PER_RUN")
        PATH_WRITE[$l]=$(fio_mib write 256k "$SECONDS_PER_RUN")
        stop_mount
    done
fi

HAVE_QUORBELD=0
if [[ -x $BIN/quorbeld ]] && { wanted process || wanted cpu; }; then
    export QUORBEL_DEVICE=$WORK/device
    mkdir -p "$WORK/state"
    # shellcheck disable=SC2086
    "$BIN/quorbeld" --state-dir "$WORK/state" $QUORBELD_ARGS >"$WORK/quorbeld.log" 2>&1 &
    QUORBELD_PID=$!
    for _ in $(seq 50); do
        [[ -S $QUORBEL_DEVICE ]] && break
        sleep 0.1
    done
    if [[ -S $QUORBEL_DEVICE ]]; then
        HAVE_QUORBELD=1
    else
        echo "quorbeld did not open its device; see below" >&2
        cat "$WORK/quorbeld.log" >&2
    fi
fi

if ((HAVE_QUORBELD)) && wanted process; then
    echo "Process mode: ${SECONDS_PER_RUN} s per run ..."
    # A copy of fio under a name of its own, so the mission paces nothing else.
    cp "$(command -v fio)" "$WORK/qbfio"
    for l in "${LIMITS_MIB[@]}"; do
        "$BIN/quorbel_bench_client" add proc qbfio $((l << 20)) $((l << 20))
        PROC_READ[$l]=$(fio_mib read 256k "$SECONDS_PER_RUN" "$WORK/qbfio")
        PROC_WRITE[$l]=$(fio_mib write 256k "$SECONDS_PER_RUN" "$WORK/qbfio")
        "$BIN/quorbel_bench_client" remove qbfio
    done
fi

declare -A NATIVE MOUNTED NATIVE_RUNS MOUNTED_RUNS
CASES=("seq read 1 MiB QD1|read|1M|" "seq write 1 MiB QD1|write|1M|"
       "seq read 1 MiB QD8|read|1M|--ioengine=libaio --iodepth=8"
       "seq write 1 MiB QD8|write|1M|--ioengine=libaio --iodepth=8"
       "rand read 4 KiB QD1|randread|4k|")
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
# The median's run number (1-based, first run that has it).
run_of() {
    local want=$1 i=1
    shift
    for v in "$@"; do
        [[ $v == "$want" ]] && { echo "$i"; return; }
        i=$((i + 1))
    done
}
if wanted unthrottled; then
    echo "Unthrottled mount against native: ${COMPARE_SECONDS} s per run, native and" \
        "mounted in turn, ${REPEATS} runs each ..."
    start_mount none none
    for c in "${CASES[@]}"; do
        IFS='|' read -r name rw bs extra <<<"$c"
        n=() m=()
        for _ in $(seq "$REPEATS"); do
            # shellcheck disable=SC2086
            n+=("$(FIO_FILE=$NATIVE_FILE fio_mib "$rw" "$bs" "$COMPARE_SECONDS" fio $extra)")
            # shellcheck disable=SC2086
            m+=("$(fio_mib "$rw" "$bs" "$COMPARE_SECONDS" fio $extra)")
        done
        NATIVE[$name]=$(median "${n[@]}")
        MOUNTED[$name]=$(median "${m[@]}")
        NATIVE_RUNS[$name]="${n[*]}"
        MOUNTED_RUNS[$name]="${m[*]}"
    done
    stop_mount
fi

CPU_LINE="n/a (quorbeld not built in $BIN, or not asked for)"
if ((HAVE_QUORBELD)) && wanted cpu; then
    echo "quorbeld CPU with 8 idle process missions: ${SECONDS_PER_RUN} s ..."
    for i in $(seq 8); do
        cp "$(command -v sleep)" "$WORK/qbidle$i"
        "$WORK/qbidle$i" 3600 &
        IDLE_PIDS+=($!)
        "$BIN/quorbel_bench_client" add proc "qbidle$i" $((4 << 20)) $((4 << 20))
    done
    sleep 1
    ticks() { awk '{print $14 + $15}' "/proc/$QUORBELD_PID/stat"; }
    t0=$(ticks)
    sleep "$SECONDS_PER_RUN"
    t1=$(ticks)
    hz=$(getconf CLK_TCK)
    CPU_LINE=$(python3 -c 'import sys; d,hz,s=map(float,sys.argv[1:]); print("%.3f s of CPU in %d s = %.2f%% of one core" % (d/hz, s, d/hz/s*100))' \
        $((t1 - t0)) "$hz" "$SECONDS_PER_RUN")
    "$BIN/quorbel_bench_client" clear
fi

echo
echo "=== quorbeld service benchmark ($(uname -r), $(nproc) CPUs, $(date -u +%F\ %H:%M) UTC) ==="
if wanted path || wanted process; then
    printf '%-10s %8s | %-22s %-22s | %-22s %-22s\n' "limit" "" "path read MiB/s" \
        "path write MiB/s" "process read MiB/s" "process write MiB/s"
    for l in "${LIMITS_MIB[@]}"; do
        pr="n/a" pw="n/a" qr="n/a" qw="n/a"
        if wanted path; then
            pr="${PATH_READ[$l]} ($(deviation "${PATH_READ[$l]}" "$l"))"
            pw="${PATH_WRITE[$l]} ($(deviation "${PATH_WRITE[$l]}" "$l"))"
        fi
        if ((HAVE_QUORBELD)) && wanted process; then
            qr="${PROC_READ[$l]} ($(deviation "${PROC_READ[$l]}" "$l"))"
            qw="${PROC_WRITE[$l]} ($(deviation "${PROC_WRITE[$l]}" "$l"))"
        fi
        printf '%-10s %8s | %-22s %-22s | %-22s %-22s\n' "$l MiB/s" "" "$pr" "$pw" "$qr" "$qw"
    done
    echo
fi
if wanted unthrottled; then
    echo "unthrottled: median of ${REPEATS} runs per side, native and mounted in turn;" \
        "(run N) is the run the median came from"
    printf '%-22s | %20s | %20s | %6s | %s\n' "unthrottled" "native MiB/s" "mount MiB/s" \
        "ratio" "all runs native / mount"
    for c in "${CASES[@]}"; do
        name=${c%%|*}
        # shellcheck disable=SC2086
        nr=$(run_of "${NATIVE[$name]}" ${NATIVE_RUNS[$name]})
        # shellcheck disable=SC2086
        mr=$(run_of "${MOUNTED[$name]}" ${MOUNTED_RUNS[$name]})
        printf '%-22s | %20s | %20s | %6s | %s / %s\n' "$name" \
            "${NATIVE[$name]} (run $nr)" "${MOUNTED[$name]} (run $mr)" \
            "$(ratio "${MOUNTED[$name]}" "${NATIVE[$name]}")" \
            "${NATIVE_RUNS[$name]}" "${MOUNTED_RUNS[$name]}"
    done
    echo
fi
echo "quorbeld CPU, 8 idle process missions: $CPU_LINE"
