#!/usr/bin/env bash
# Interop tier: kovel_cdr's payloads against @foxglove/rosmsg2-serialization, an
# independent ROS 2 CDR implementation, byte for byte in both directions.
# Needs the built workspace (install/, or $INSTALL_BASE), Node.js 20 and npm.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
install_base=${INSTALL_BASE:-install}
if [ -f "$install_base/setup.bash" ]; then
  set +u
  source "$install_base/setup.bash"
  set -u
fi
export KOVEL_CDR=${KOVEL_CDR:-$root/$install_base/kovel_cdr/bin/kovel_cdr}
if [ ! -x "$KOVEL_CDR" ]; then
  echo "interop: $KOVEL_CDR is missing; build first (bash scripts/build.sh)" >&2
  exit 1
fi

cd test/interop
# npm ci only when the installed packages are not those of the current lock file.
stamp=node_modules/.installed-from-lock
wanted=$(sha256sum package.json package-lock.json)
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$wanted" ]; then
  timeout 300 npm ci --no-audit --no-fund --loglevel=error --prefer-offline >/dev/null
  echo "$wanted" > "$stamp"
fi

timeout 300 node --test check.test.js interop.test.js
