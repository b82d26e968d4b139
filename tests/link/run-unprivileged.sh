#!/bin/sh
# Runs a test as the unprivileged user nobody: root opens every device, so the cases about a
# refused device only mean something without it. Exits 77 (skipped) where that cannot be done.
set -u
[ "$(id -u)" = 0 ] || exit 77
command -v setpriv >/dev/null || exit 77
as_nobody="setpriv --reuid=65534 --regid=65534 --clear-groups"
$as_nobody test -x "$1" 2>/dev/null || exit 77
exec $as_nobody "$@"
