#!/usr/bin/env bash
# Kept in the tree so CI and every machine run the same tool.
# Mutation testing of the QVX inventory tree: how many real faults does the
# test suite catch?
#
# usage: mutants.sh MUTANT_FILE
#
# Mutant file format: one mutant per block, blocks separated by a blank line.
# Each line of a block is "key: value"; the value is everything after the
# first ": ", taken literally (nothing is escaped):
#   id:       name of the mutant (optional; default M01, M02, ... in order)
#   file:     path relative to the repository root
#   find:     exact text to replace; it must occur exactly once in the file
#   find+:    (optional, repeatable) one more line of the find text
#   replace:  replacement text (may be empty)
#   replace+: (optional, repeatable) one more line of the replacement
#   why:      the real fault it stands for
# Lines starting with "#" are comments.
#
# Clones the repository you run it from (or MUT_ORIGIN) at HEAD into $MUT_ROOT/src (fresh each run), builds it
# plainly (Release, QVX_WERROR=OFF, no sanitizers, ccache when present) into
# $MUT_ROOT/build, runs `ctest -j2 --timeout 120` once as the baseline, then
# for each mutant: applies it (a literal search/replace in one file that must
# match exactly once, else INVALID), rebuilds (failure: STILLBORN), runs
# ctest (KILLED, naming the failing tests, or SURVIVED) and restores the file
# with git checkout. Everything runs under `nice -n 19`.
#
# Baseline failures are rerun once; tests that then pass are reported as
# flaky and excluded from every mutant run (tests failing twice are excluded
# too, loudly). A KILLED verdict whose failing tests are all timing-sensitive
# (name or label: concurrency, stress, timeout, throttle, race, slow) or
# unrelated (their executable, the qvx-* programs and every shared library
# untouched by the mutant's rebuild) is confirmed by one rerun of those
# tests; a kill that does not reproduce counts as SURVIVED.
#
# Environment:
#   MUT_ROOT      work folder (default $TMPDIR/mut, or /tmp/mut)
#   MUT_ORIGIN    repository to clone (default: the one around the current folder)
#   MUT_ONLY      space-separated mutant ids to run (default: all, in file order)
#   MUT_LIMIT     run at most this many mutants (default: all)
#   MUT_DEADLINE  epoch seconds; mutants not started by then are NOT RUN
#
# Output: progress on stdout, per-mutant logs in $MUT_ROOT/logs/, one line
# per mutant in $MUT_ROOT/results.tsv (id, file, verdict, failing tests
# separated by "; ", seconds, why). The last lines are
#   mutation score: K killed of N valid (S survived, B stillborn, I invalid)
# followed by the survivors. N = K + S.
set -u

here=$(cd "$(dirname "$0")" && pwd)
mutfile=${1:?usage: mutants.sh MUTANT_FILE}
[ -f "$mutfile" ] || { echo "no mutant file: $mutfile" >&2; exit 2; }
mutfile=$(cd "$(dirname "$mutfile")" && pwd)/$(basename "$mutfile")

root=${MUT_ROOT:-${TMPDIR:-/tmp}/mut}
origin=${MUT_ORIGIN:-$(git rev-parse --show-toplevel 2>/dev/null)}
[ -n "$origin" ] || { echo "run it inside the repository, or set MUT_ORIGIN" >&2; exit 2; }
src=$root/src
build=$root/build
logs=$root/logs
results=$root/results.tsv
NICE="nice -n 19"

now() { date +%s; }
say() { echo "[$(date +%H:%M:%S)] $*"; }

mkdir -p "$root"
rm -rf "$src" "$build" "$logs"
mkdir -p "$logs"
: > "$results"

# ---------------------------------------------------------------- mutants
# Parsed once, up front, into one JSON file, so a malformed block stops the
# run before anything is built. Format: see the top of mutants.txt.
parsed=$root/mutants.json
python3 - "$mutfile" "$parsed" <<'PY' || exit 2
import json, re, sys
path, out = sys.argv[1], sys.argv[2]
blocks, cur, lineno = [], {}, 0
keys = ("id", "file", "find", "replace", "why")
def flush():
    global cur
    if cur:
        for k in ("file", "find", "replace"):
            if k not in cur:
                sys.exit(f"{path}: block ending at line {lineno}: no '{k}:' line")
        blocks.append(cur)
    cur = {}
for lineno, raw in enumerate(open(path, encoding="utf-8"), 1):
    line = raw.rstrip("\n")
    if line.strip() == "":
        flush(); continue
    if line.startswith("#"):
        continue
    m = re.match(r"^(id|file|find|replace|why)(\+?):( ?)(.*)$", line)
    if not m:
        sys.exit(f"{path}:{lineno}: not 'key: value': {line!r}")
    k, more, v = m.group(1), m.group(2), m.group(4)
    if more:  # continuation: one more line of the previous value
        if k not in ("find", "replace") or k not in cur:
            sys.exit(f"{path}:{lineno}: '{k}+:' without a '{k}:' line before it")
        cur[k] += "\n" + v
        continue
    if k in cur:
        sys.exit(f"{path}:{lineno}: '{k}:' twice in one block")
    cur[k] = v
flush()
seen = set()
for i, b in enumerate(blocks, 1):
    b.setdefault("id", f"M{i:02d}")
    b.setdefault("why", "")
    if b["id"] in seen:
        sys.exit(f"{path}: id {b['id']} twice")
    seen.add(b["id"])
    if b["find"] == b["replace"]:
        sys.exit(f"{path}: {b['id']}: find and replace are the same")
json.dump(blocks, open(out, "w"), indent=1)
print(f"{len(blocks)} mutants read from {path}")
PY

count=$(python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1]))))' "$parsed")
field() {  # field INDEX KEY
    python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))[int(sys.argv[2])][sys.argv[3]])' \
        "$parsed" "$1" "$2"
}

# Applies mutant INDEX inside $src: prints the number of matches; changes the
# file only when there is exactly one.
apply_mutant() {
    python3 - "$parsed" "$1" "$src" <<'PY'
import json, os, sys
m = json.load(open(sys.argv[1]))[int(sys.argv[2])]
path = os.path.join(sys.argv[3], m["file"])
if not os.path.isfile(path):
    print(0); sys.exit(0)
text = open(path, encoding="utf-8").read()
n = text.count(m["find"])
if n == 1:
    open(path, "w", encoding="utf-8").write(text.replace(m["find"], m["replace"], 1))
print(n)
PY
}

# ---------------------------------------------------------------- baseline
t0=$(now)
say "cloning $origin at HEAD into $src"
git clone -q --no-local "$origin" "$src" || exit 2
head=$(git -C "$src" rev-parse --short HEAD)

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
gen=()
command -v ninja >/dev/null && gen=(-G Ninja)
say "configuring $head into $build"
$NICE cmake -S "$src" -B "$build" "${gen[@]}" -DCMAKE_BUILD_TYPE=Release -DQVX_WERROR=OFF \
    -DQVX_SANITIZE= "${launcher[@]}" > "$logs/configure.log" 2>&1 \
    || { echo "configure failed: $logs/configure.log" >&2; exit 2; }

build_all() {  # build_all LOG
    $NICE cmake --build "$build" -j2 > "$1" 2>&1
}

tb=$(now)
say "building (baseline)"
build_all "$logs/baseline-build.log" || { echo "baseline build failed: $logs/baseline-build.log" >&2; exit 2; }
build_s=$(( $(now) - tb ))
say "baseline build: ${build_s}s"

# Test name -> executable and labels, for the rerun rule.
(cd "$build" && ctest --show-only=json-v1 > "$root/tests.json" 2>/dev/null)
python3 - "$root/tests.json" > "$root/tests.tsv" <<'PY'
import json, sys
for t in json.load(open(sys.argv[1]))["tests"]:
    cmd = t.get("command") or [""]
    exe = cmd[0]
    if exe.endswith("cmake") and len(cmd) > 1:
        exe = "cmake-script"
    labels = []
    for p in t.get("properties", []):
        if p["name"] == "LABELS":
            labels = p["value"]
    print(f"{t['name']}\t{exe}\t{','.join(labels)}")
PY
ntests=$(wc -l < "$root/tests.tsv")

failed_file=$build/Testing/Temporary/LastTestsFailed.log
# run_ctest LOG [ctest args...]: prints the failing test names, one a line.
run_ctest() {
    local log=$1; shift
    rm -f "$failed_file"
    (cd "$build" && $NICE ctest -j2 --timeout 120 "$@") > "$log" 2>&1
    [ -f "$failed_file" ] && cut -d: -f2- "$failed_file" | sort -u
    return 0
}
joined() {  # lines on stdin -> "a; b; c"
    sed '/^$/d' | paste -sd';' | sed 's/;/; /g'
}
regex_of() {  # names on stdin -> ^(a|b)$ with regex characters escaped
    python3 -c 'import re,sys; n=[l.strip() for l in sys.stdin if l.strip()]; print("^(" + "|".join(re.escape(x) for x in n) + ")$" if n else "")'
}

tt=$(now)
say "baseline ctest ($ntests tests)"
base_failed=$(run_ctest "$logs/baseline-ctest.log")
ctest_s=$(( $(now) - tt ))
say "baseline ctest: ${ctest_s}s"
flaky=""
broken=""
if [ -n "$base_failed" ]; then
    say "baseline failures, rerunning once: $(joined <<< "$base_failed")"
    again=$(run_ctest "$logs/baseline-rerun.log" -R "$(echo "$base_failed" | regex_of)")
    while IFS= read -r t; do
        if echo "$again" | grep -qxF -- "$t"; then broken="$broken$t"$'\n'; else flaky="$flaky$t"$'\n'; fi
    done <<< "$base_failed"
    [ -n "$flaky" ] && say "FLAKY (passed on rerun), excluded: $(joined <<< "$flaky")"
    [ -n "$broken" ] && say "WARNING: FAILING TWICE AT BASELINE, excluded: $(joined <<< "$broken")"
fi
exclude=()
excluded_names=$(printf '%s%s' "$flaky" "$broken" | sed '/^$/d')
if [ -n "$excluded_names" ]; then
    exclude=(-E "$(echo "$excluded_names" | regex_of)")
fi

# ---------------------------------------------------------------- mutants
timing_re='concurrency|stress|timeout|throttle|race|slow'
is_timing() {  # is_timing TEST: its name or labels look timing-sensitive
    awk -F'\t' -v t="$1" '$1 == t { print $1 "\t" $3; exit }' "$root/tests.tsv" | grep -qiE "$timing_re"
}
exe_of() { awk -F'\t' -v t="$1" '$1 == t { print $2; exit }' "$root/tests.tsv"; }

killed=0; survived=0; stillborn=0; invalid=0; notrun=0
survivors=()
for ((i = 0; i < count; i++)); do
    id=$(field $i id); file=$(field $i file); why=$(field $i why)
    if [ -n "${MUT_ONLY:-}" ] && ! [[ " $MUT_ONLY " == *" $id "* ]]; then continue; fi
    ran=$((killed + survived + stillborn + invalid))
    if { [ -n "${MUT_LIMIT:-}" ] && [ "$ran" -ge "$MUT_LIMIT" ]; } ||
       { [ -n "${MUT_DEADLINE:-}" ] && [ "$(now)" -ge "$MUT_DEADLINE" ]; }; then
        printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$id" "$file" "NOT-RUN" "" 0 "$why" >> "$results"
        notrun=$((notrun + 1)); continue
    fi
    tm=$(now)
    matches=$(apply_mutant $i)
    verdict=""; failing=""; note=""
    if [ "$matches" != 1 ]; then
        verdict=INVALID; note="find text matches $matches times"
        invalid=$((invalid + 1))
    else
        stamp=$root/stamp; touch "$stamp"; sleep 1
        if ! build_all "$logs/$id-build.log"; then
            verdict=STILLBORN; stillborn=$((stillborn + 1))
        else
            failing=$(run_ctest "$logs/$id-ctest.log" "${exclude[@]}")
            if [ -z "$failing" ]; then
                verdict=SURVIVED
            else
                verdict=KILLED
                # Rerun rule: every failing test timing-sensitive or unrelated?
                # Programs and libraries the tests run or load, as opposed to
                # the test executables themselves.
                changed_bin=$(find "$build/lib" "$build/bin" "$build/tests/cimom/providers" \
                    -newer "$stamp" -type f \( -name '*.so*' -o -name 'qvx-*' \) 2>/dev/null | head -1)
                doubtful=1
                while IFS= read -r t; do
                    exe=$(exe_of "$t")
                    if is_timing "$t"; then continue; fi
                    if [ -n "$exe" ] && [ "$exe" != cmake-script ] && [ ! "$exe" -nt "$stamp" ] \
                       && [ -z "$changed_bin" ]; then continue; fi
                    doubtful=0; break
                done <<< "$failing"
                if [ "$doubtful" = 1 ]; then
                    say "$id: only timing-sensitive/unrelated failures ($(joined <<< "$failing")); rerunning them"
                    again=$(run_ctest "$logs/$id-ctest-rerun.log" -R "$(echo "$failing" | regex_of)")
                    if [ -z "$again" ]; then
                        verdict=SURVIVED; note="kill by $(joined <<< "$failing") not reproduced"
                        failing=""
                    else
                        failing=$again; note="confirmed by rerun"
                    fi
                fi
            fi
            if [ "$verdict" = KILLED ]; then killed=$((killed + 1)); else survived=$((survived + 1)); fi
        fi
    fi
    git -C "$src" checkout -q -- "$file" 2>/dev/null
    if [ -n "$(git -C "$src" status --porcelain --untracked-files=no)" ]; then
        echo "source tree not clean after $id" >&2; git -C "$src" status --short >&2; exit 2
    fi
    secs=$(( $(now) - tm ))
    flist=$(joined <<< "$failing")
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$id" "$file" "$verdict" "$flist" "$secs" "$why${note:+ [$note]}" >> "$results"
    [ "$verdict" = SURVIVED ] && survivors+=("$id $file: $why${note:+ [$note]}")
    nf=$(sed '/^$/d' <<< "$failing" | wc -l)
    say "$id $verdict (${secs}s) $file$( [ "$nf" -gt 0 ] && echo " killed by $nf: $(echo "$flist" | cut -c1-240)")${note:+ [$note]}"
done

# ---------------------------------------------------------------- summary
total_s=$(( $(now) - t0 ))
echo
echo "commit $head; $ntests tests; baseline build ${build_s}s, baseline ctest ${ctest_s}s; whole run ${total_s}s"
[ -n "$flaky" ] && echo "flaky at baseline (excluded): $(joined <<< "$flaky")"
[ -n "$broken" ] && echo "failing at baseline (excluded): $(joined <<< "$broken")"
[ "$notrun" -gt 0 ] && echo "not run (limit or deadline): $notrun"
echo "results: $results"
echo
valid=$((killed + survived))
echo "mutation score: $killed killed of $valid valid ($survived survived, $stillborn stillborn, $invalid invalid)"
for s in "${survivors[@]}"; do echo "  SURVIVED $s"; done
