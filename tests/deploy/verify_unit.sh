#!/usr/bin/env bash
# systemd-analyze verify on an instance of the template unit (a template itself
# cannot be verified); ExecStart points at the program just built.
set -euo pipefail
unit=$1
program=$2
command -v systemd-analyze >/dev/null || { echo "systemd-analyze missing: skipped"; exit 77; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
sed "s|^ExecStart=[^ ]*/korvatel |ExecStart=$program |" "$unit" > "$dir/korvatel@ModCom02.service"
grep -q "^ExecStart=$program --dir /var/lib/korvatel/%i --headless$" "$dir/korvatel@ModCom02.service"
for key in Type=notify Restart=on-failure RestartSec= WatchdogSec= WorkingDirectory=/var/lib/korvatel/%i; do
  grep -q "^$key" "$dir/korvatel@ModCom02.service" || { echo "unit lacks $key"; exit 1; }
done
out=$(cd "$dir" && SYSTEMD_LOG_LEVEL=warning systemd-analyze verify --man=no "$dir/korvatel@ModCom02.service" 2>&1) || {
  echo "$out"; exit 1; }
# verify reports problems of the unit as warnings too; none may name it
if grep -i "korvatel@" <<<"$out"; then exit 1; fi
echo "unit verified"
