#!/usr/bin/env bash
# Runs a command beside a private print server: its own folder, socket and
# queue "TindrelTest" (A4/A3/Letter, 300 dpi, pages written to
# $TINDREL_CUPS_DIR/out/job.pdf), never the system's server or its settings.
# The command sees CUPS_SERVER and TINDREL_CUPS_DIR; without cupsd it runs
# without them (its print tests then skip).
# Usage: scripts/with-cupsd.sh COMMAND [ARGS...]
set -uo pipefail
unset LPDEST PRINTER
cupsd=$(command -v cupsd || echo /usr/sbin/cupsd)
if [ ! -x "$cupsd" ] || ! command -v lpadmin >/dev/null || ! command -v lpstat >/dev/null; then
  echo "with-cupsd: cupsd or the CUPS client programs are missing; printing is not tested" >&2
  exec "$@"
fi

dir=$(mktemp -d /tmp/tindrel-cups.XXXXXX)
chmod 755 "$dir"
pid=""
cleanup() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$dir"/{etc,spool,cache,state,tmp,log,out}
chmod 777 "$dir/out"
cat > "$dir/etc/cupsd.conf" <<CONF
Listen $dir/cups.sock
Browsing No
WebInterface No
DefaultAuthType None
LogLevel warn
MaxLogSize 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
CONF
cat > "$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/tmp
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
FileDevice Yes
SystemGroup root
CONF
# The queue's filter passes the PDF through unchanged.
cat > "$dir/passthrough" <<'FILTER'
#!/bin/sh
if [ -n "$6" ]; then exec cat "$6"; else exec cat; fi
FILTER
chmod 755 "$dir/passthrough"
cat > "$dir/test.ppd" <<PPD
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "TINDREL.PPD"
*Manufacturer: "Tindrel"
*Product: "(Tindrel Test)"
*ModelName: "Tindrel Test Printer"
*ShortNickName: "Tindrel Test"
*NickName: "Tindrel Test Printer"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsVersion: 2.2
*cupsFilter: "application/pdf 0 $dir/passthrough"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageSize A3/A3: "<</PageSize[842 1191]>>setpagedevice"
*PageSize Letter/Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageRegion A3/A3: "<</PageSize[842 1191]>>setpagedevice"
*PageRegion Letter/Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "0 0 595 842"
*ImageableArea A3/A3: "0 0 842 1191"
*ImageableArea Letter/Letter: "0 0 612 792"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*PaperDimension A3/A3: "842 1191"
*PaperDimension Letter/Letter: "612 792"
*OpenUI *Resolution/Resolution: PickOne
*OrderDependency: 20 AnySetup *Resolution
*DefaultResolution: 300dpi
*Resolution 300dpi/300 DPI: "<</HWResolution[300 300]>>setpagedevice"
*CloseUI: *Resolution
PPD

"$cupsd" -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
pid=$!
export CUPS_SERVER="$dir/cups.sock"
export CUPS_SERVERROOT="$dir/etc"
up=""
for _ in $(seq 100); do
  if lpstat -r 2>/dev/null | grep -q "is running"; then up=1; break; fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$up" ]; then
  echo "with-cupsd: the private cupsd did not start; printing is not tested" >&2
  cat "$dir/log/cupsd.out" "$dir/log/error_log" 2>/dev/null | tail -20 >&2
  unset CUPS_SERVER CUPS_SERVERROOT
  "$@"
  exit $?
fi
if ! lpadmin -p TindrelTest -E -v "file://$dir/out/job.pdf" -P "$dir/test.ppd" 2>"$dir/log/lpadmin.out" ||
   ! lpadmin -d TindrelTest 2>>"$dir/log/lpadmin.out"; then
  echo "with-cupsd: the test queue could not be made; printing is not tested" >&2
  cat "$dir/log/lpadmin.out" >&2
  unset CUPS_SERVER CUPS_SERVERROOT
  "$@"
  exit $?
fi
export TINDREL_CUPS_DIR="$dir"
"$@"
