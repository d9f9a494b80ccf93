#!/bin/sh
# Tag reading against python3-mutagen on one pinned core: makes (once) a
# folder of 20,000 MP3 files with ID3v2.3 and ID3v1 tags, then times
# tagprobe and mutagen_probe.py over it, interleaved, and prints the medians
# of RUNS runs (default 7), tagprobe's files per second and the ratio.
#
# usage: compare_tagprobe.sh [TAGPROBE] [CORPUS-FOLDER]
#   TAGPROBE defaults to build/bench/tagprobe, the folder to /tmp/velko-mp3-corpus.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
probe="${1:-build/bench/tagprobe}"
corpus="${2:-/tmp/velko-mp3-corpus}"
runs="${RUNS:-7}"
core="${CORE:-2}"
files=20000
[ -d "$corpus" ] || "$here/make_mp3_corpus.py" "$corpus" "$files"

# Seconds of wall time one command takes, its output thrown away.
seconds() {
  start=$(date +%s%N)
  taskset -c "$core" "$@" >/dev/null
  end=$(date +%s%N)
  awk -v s="$start" -v e="$end" 'BEGIN {printf "%.4f\n", (e - s) / 1e9}'
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

ours=""; theirs=""
i=0
while [ "$i" -lt "$runs" ]; do
  ours="$ours $(seconds "$probe" "$corpus")"
  theirs="$theirs $(seconds /usr/bin/python3 "$here/mutagen_probe.py" "$corpus")"
  i=$((i + 1))
done
t_ours=$(echo "$ours" | tr ' ' '\n' | grep . | median)
t_theirs=$(echo "$theirs" | tr ' ' '\n' | grep . | median)
awk -v o="$t_ours" -v t="$t_theirs" -v n="$files" \
  'BEGIN {printf "tagprobe %.3f s (%.0f files/s), mutagen %.3f s: %.1fx\n", o, n / o, t, t / o}'
