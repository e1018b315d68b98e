# What the comparison scripts share; each sources it after changing to the project root.

# Stops with a word on how to build when one of the programs (after the script's name)
# is missing.
need_built() {
  local script=$1
  shift
  for tool in "$@"; do
    [ -x "$tool" ] || { echo "$script: $tool is missing; run: cmake --preset bench && cmake --build --preset bench" >&2; exit 2; }
  done
}

# The median of the numbers on standard input, divided by $2 (default 1) and printed with
# the printf format $1 (default %.2f).
median() { sort -n | awk -v format="${1:-%.2f}" -v unit="${2:-1}" '{ t[NR] = $1 } END { printf format, t[int((NR + 1) / 2)] / unit }'; }
