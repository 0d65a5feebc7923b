#!/bin/sh
# The two Debian packages as an administrator meets them: built by CPack,
# installed with dpkg into a fresh root (maintainer scripts included, run
# against that root), zpserver started from the installed unit's ExecStart
# with the installed configuration as its user, and zphost started from the
# installed run directory with the broker address of the installed
# zpclient.ini: its screenshot mode signs in and shows the business types.
#   package_test.sh BUILD_DIR
set -eu
BUILD=$(cd "$1" && pwd)
W=$(mktemp -d /tmp/zp-package-XXXXXX)
SERVER_PID=
cleanup() {
  if [ -n "$SERVER_PID" ]; then kill "$SERVER_PID" 2>/dev/null || true; wait "$SERVER_PID" 2>/dev/null || true; fi
  rm -rf "$W"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

echo "-- cpack"
cpack -G DEB -B "$W/pkg" --config "$BUILD/CPackConfig.cmake" >"$W/cpack.log" 2>&1 || { cat "$W/cpack.log"; fail "cpack"; }
COUNTER=$(ls "$W"/pkg/vasdesk-counter_*.deb)
SERVER=$(ls "$W"/pkg/zpserver_*.deb)
dpkg-deb -f "$COUNTER" Package Version Depends
dpkg-deb -f "$SERVER" Package Version Depends
dpkg-deb -I "$SERVER" conffiles | grep -qx /etc/zpserver/zpserver.conf || fail "zpserver.conf is no conffile"
dpkg-deb -I "$COUNTER" conffiles | grep -qx /etc/vasdesk/zpclient.ini || fail "zpclient.ini is no conffile"
# Every dependency is a package Debian 12 has (installed here, as the tests run the binaries).
for p in $( (dpkg-deb -f "$COUNTER" Depends; echo ,; dpkg-deb -f "$SERVER" Depends) | tr ',' '\n' | sed 's/(.*)//; s/ //g'); do
  [ -n "$p" ] || continue
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" || fail "dependency $p is not installed here"
done

echo "-- dpkg -i into a fresh root"
R="$W/root"
mkdir -p "$R/var/lib/dpkg/info" "$R/var/lib/dpkg/updates" "$R/etc"
touch "$R/var/lib/dpkg/status" "$R/var/lib/dpkg/available"
# The root's own user database, for the package's system user.
printf 'root:x:0:0:root:/root:/bin/sh\n' >"$R/etc/passwd"
printf 'root:x:0:\n' >"$R/etc/group"
printf 'root:*:19000:0:99999:7:::\n' >"$R/etc/shadow"
printf 'root:*::\n' >"$R/etc/gshadow"
dpkg --root="$R" --force-script-chrootless --force-depends --force-not-root --log=/dev/null -i "$COUNTER" "$SERVER" \
  >"$W/dpkg.log" 2>&1 || { cat "$W/dpkg.log"; fail "dpkg -i"; }
dpkg --root="$R" -l | grep -E '^ii +(vasdesk-counter|zpserver) ' || fail "not both installed"
grep -q '^zpserver:' "$R/etc/passwd" || fail "no system user zpserver"
UID_=$(awk -F: '$1 == "zpserver" { print $3 }' "$R/etc/passwd")
GID_=$(awk -F: '$1 == "zpserver" { print $4 }' "$R/etc/passwd")
[ "$(stat -c %u "$R/var/lib/zpserver")" = "$UID_" ] || fail "/var/lib/zpserver is not the service user's"

echo "-- libraries found from the installed places only"
for f in "$R/usr/lib/vasdesk/zphost" "$R/usr/lib/vasdesk/modules/libvasdesk.so" "$R/usr/bin/zpserver"; do
  readelf -d "$f" | grep -q 'RUNPATH.*\$ORIGIN' || fail "$f has no \$ORIGIN runpath"
  if readelf -d "$f" | grep -q "$BUILD"; then fail "$f looks into the build tree"; fi
  if ldd "$f" | grep -q "not found"; then ldd "$f"; fail "$f misses a library"; fi
  if ldd "$f" | grep -q "$BUILD"; then ldd "$f"; fail "$f loads a library of the build tree"; fi
done

echo "-- zpserver from the unit's ExecStart, with the installed configuration"
UNIT="$R/lib/systemd/system/zpserver.service"
command -v systemd-analyze >/dev/null && { systemd-analyze verify --root="$R" zpserver.service 2>&1 | grep -v "^$" || true; }
EXEC=$(sed -n 's/^ExecStart=//p' "$UNIT")
[ -n "$EXEC" ] || fail "no ExecStart in the unit"
WORKDIR=$(sed -n 's/^WorkingDirectory=//p' "$UNIT")
# The paths of the command line point into the root; the configuration is
# edited as an administrator would: the store below the root, a free port,
# and the demo region to be served.
CMD=$(echo "$EXEC" | sed "s# /# $R/#g; s#^/#$R/#")
CONF="$R/etc/zpserver/zpserver.conf"
grep -q '^db = sqlite:/var/lib/zpserver/zpserver.db' "$CONF" || fail "the configuration's store is not in /var/lib/zpserver"
sed -i "s#sqlite:/var/lib/zpserver/#sqlite:$R/var/lib/zpserver/#" "$CONF"
printf 'listen = 127.0.0.1:0\nport-file = %s\nseed-demo = yes\nrelaxed-sync = yes\n' "$R/var/lib/zpserver/port" >>"$CONF"
chown "$UID_:$GID_" "$R/var/lib/zpserver"
AS_USER=""
if [ "$(id -u)" -eq 0 ]; then AS_USER="setpriv --reuid=$UID_ --regid=$GID_ --clear-groups"; chmod 0755 "$W" "$R"; fi
(cd "$R$WORKDIR" && exec $AS_USER $CMD) >"$W/zpserver.log" 2>&1 &
SERVER_PID=$!
i=0
while [ ! -s "$R/var/lib/zpserver/port" ]; do
  i=$((i + 1))
  if [ $i -gt 300 ] || ! kill -0 $SERVER_PID 2>/dev/null; then cat "$W/zpserver.log"; fail "zpserver did not start"; fi
  sleep 0.1
done
PORT=$(cat "$R/var/lib/zpserver/port")
[ -f "$R/var/lib/zpserver/zpserver.db" ] || fail "the store is not in the state directory"
[ "$(stat -c %u "$R/var/lib/zpserver/zpserver.db")" = "$( [ -n "$AS_USER" ] && echo "$UID_" || id -u)" ] || fail "the store is not the service user's"
"$R/usr/bin/zpserver" --config "$CONF" --listen "127.0.0.1:$PORT" --check || fail "not ready"

echo "-- zphost from the installed run directory"
sed -i "s#^ZEPHYRON=.*#ZEPHYRON=tcp://127.0.0.1:$PORT#" "$R/etc/vasdesk/zpclient.ini"
mkdir -p "$W/home" "$W/xdg" && chmod 700 "$W/xdg"
OUT=$(env -u ZP_BROKER_ZEPHYRON -u ZP_RUN_PATH HOME="$W/home" XDG_RUNTIME_DIR="$W/xdg" QT_QPA_PLATFORM=offscreen \
  ZP_OPERATOR_PASSWORD=demo1001 "$R/usr/bin/zphost" --op 1001 --open 10001 --screenshot "$W/zphost.png" 2>&1) ||
  { echo "$OUT"; cat "$W/zpserver.log"; fail "zphost"; }
echo "$OUT"
[ -s "$W/zphost.png" ] || fail "no screenshot"
for t in 全球呼 GPS GPRS 彩铃; do
  echo "$OUT" | grep "lstvBusiType" | grep -q "$t" || fail "business type $t not on screen"
done
grep -q "op=1001 .*service=" "$W/zpserver.log" || { cat "$W/zpserver.log"; fail "no request of operator 1001 in the log"; }

kill -TERM $SERVER_PID
wait $SERVER_PID || fail "zpserver did not stop cleanly"
SERVER_PID=
grep -q "zpserver: stopped" "$W/zpserver.log" || fail "no two-phase stop"
echo "-- the packages install, serve and show the business types"
