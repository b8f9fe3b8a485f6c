#!/usr/bin/env bash
# Builds the Debian package of the build tree, unpacks it into a test root,
# checks the installed files and starts the installed server there against an
# embedded central made by the installed korvatel-central, then stops it.
set -euo pipefail
build=$1
command -v cpack >/dev/null && command -v dpkg-deb >/dev/null || { echo "cpack or dpkg-deb missing: skipped"; exit 77; }
work=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/korvatel_*.deb)
info=$(dpkg-deb --info "$deb")
grep -q "Package: korvatel" <<<"$info" || { echo "$info"; exit 1; }
grep -q "Depends: .*libqt6.*" <<<"$info" || { echo "no Qt in Depends: $info"; exit 1; }
grep -q "Depends: .*adduser" <<<"$info" || { echo "no adduser in Depends: $info"; exit 1; }
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/control"
[ -x "$work/control/postinst" ]

expected=(
  usr/bin/korvatel usr/bin/kvtclient usr/bin/korvatel-central
  usr/lib/systemd/system/korvatel@.service
  usr/share/doc/korvatel/README.md usr/share/doc/korvatel/KORVATEL.INI.example
  usr/share/doc/korvatel/schema/zenthora.sql usr/share/doc/korvatel/schema/base.sql usr/share/doc/korvatel/schema/sse.sql
)
[ -e "$work/root/lib/systemd/system/korvatel@.service" ] && expected[3]=lib/systemd/system/korvatel@.service
for f in "${expected[@]}"; do
  [ -e "$work/root/$f" ] || { echo "missing from the package: $f"; dpkg-deb -c "$deb"; exit 1; }
done
ls "$work"/root/usr/share/doc/korvatel/schema/procedures/*/*.sql >/dev/null
grep -q "^ExecStart=/usr/bin/korvatel --dir /var/lib/korvatel/%i --headless$" "$work/root/${expected[3]}"
grep -q "^PORTA_HTTP=0" "$work/root/usr/share/doc/korvatel/KORVATEL.INI.example"

# the installed programs work from the test root
inst="$work/root/var/lib/korvatel/ModCom02"
"$work/root/usr/bin/korvatel-central" init "$inst" --module ModCom02 >/dev/null
sed -i 's/^KORVATEL_PORT=.*/KORVATEL_PORT=0/' "$inst/KORVATEL.INI"
(cd "$inst" && exec "$work/root/usr/bin/korvatel" --dir "$inst" --headless) &
pid=$!
for _ in $(seq 1 600); do
  grep -q "Korvatel inicializado corretamente" "$inst/KORVATEL01.log" 2>/dev/null && break
  kill -0 "$pid" 2>/dev/null || { echo "the installed server ended during start-up"; cat "$inst"/KORVATEL*.log; exit 1; }
  sleep 0.1
done
grep -q "Korvatel inicializado corretamente" "$inst/KORVATEL01.log" || { echo "no start"; exit 1; }
kill -TERM "$pid"
wait "$pid"
pid=
grep -q "Finalizando KORVATEL2 a pedido de: sinal SIGTERM" "$inst/KORVATEL01.log" || { echo "no stop entry"; exit 1; }
echo "package ok: $(basename "$deb")"
