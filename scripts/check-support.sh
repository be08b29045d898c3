# What the shell checks share, sourced by them: a scratch folder removed at the end, check (a command that must
# succeed, counted) and the closing count, whose status is the checks' verdict.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@" > /dev/null 2>&1; then passed=$((passed + 1)); else echo "FAIL: $what"; failed=$((failed + 1)); fi
}
checks_done() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
