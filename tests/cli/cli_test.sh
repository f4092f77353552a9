#!/usr/bin/env bash
# Runs tollvane-cli against the simulated board and checks exit status and output.
# Usage: cli_test.sh TOLLVANE_CLI JEDEC_GENERATOR WORKDIR
set -u
cli=$1
generate=${2:-}
work=${3:-$(mktemp -d)}
mkdir -p "$work"
passed=0
failed=0

# expect NAME STATUS PATTERN -- ARGS...: stdout+stderr must match the extended regex PATTERN.
expect() {
  local name=$1 status=$2 pattern=$3
  shift 4
  local out rc
  out=$("$cli" "$@" 2>&1)
  rc=$?
  if [ "$rc" -eq "$status" ] && grep -qE -- "$pattern" <<<"$out"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAIL %s: exit %s (want %s), output:\n%s\n' "$name" "$rc" "$status" "$out"
  fi
}

expect detect-ok 0 '^IDCODE 0x01299043 OK$' -- --simulate detect
expect detect-idcode 1 '^IDCODE error\.$' -- --simulate=idcode=0x12345678 detect
expect detect-no-cable 1 '^Could not open JTAG cable\.$' -- --simulate=no-cable detect
expect detect-cable-error 1 '^JTAG cable error\.$' -- --simulate=unplug-after-writes=1 detect
expect usage-no-command 2 'subcommand is required' --
expect usage-bad-fault 2 "unknown simulator fault 'bogus'" -- --simulate=bogus detect
expect help 0 'never-ready=erase' -- --help

"$cli" --simulate --trace "$work/detect.trace" detect >/dev/null
preamble="W $(printf '2f%.0s' $(seq 64))$(printf '2a2b%.0s' $(seq 5))2829"
if [ "$(head -n1 "$work/detect.trace")" = "$preamble" ] && [ "$(wc -l <"$work/detect.trace")" -eq 3 ] &&
  grep -qx 'R 4390290100000000000000' "$work/detect.trace"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  echo "FAIL trace: $(cat "$work/detect.trace")"
fi

if [ -f "$(dirname "$0")/cli_jedec_cases.sh" ] && [ -n "$generate" ]; then
  # shellcheck source=/dev/null
  . "$(dirname "$0")/cli_jedec_cases.sh"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
