# Sourced by the release tests: count failed checks, go on after each.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { if "${@:2}"; then echo "ok: $1"; else fail "$1"; fi; }  # check DESCRIPTION COMMAND...
