#!/bin/sh
# The runner is given a script it may not read. Run as root, the check drops
# to the user nobody, for whom the permission holds.
# Usage: unreadable_file.sh RUNNER
runner="$1"
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
chmod 755 "$dir"
printf 'dump frogRow\n' > "$dir/locked.script"
chmod 000 "$dir/locked.script"
as=""
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || { echo "no setpriv to drop root: skipped"; exit 77; }
    as="setpriv --reuid=nobody --regid=nogroup --clear-groups"
fi
err=$(LC_ALL=C $as "$runner" "$dir/locked.script" 2>&1 >/dev/null)
status=$?
expected="lilyhops-script: cannot open '$dir/locked.script': Permission denied"
if [ "$status" -ne 2 ] || [ "$err" != "$expected" ]; then
    echo "exit status $status, standard error:"
    echo "$err"
    echo "expected exit status 2 and: $expected"
    exit 1
fi
