#!/usr/bin/env bash
# Interop tier: kovel_cdr's payloads, and those of kovel_matrix_msgs' library (every member
# kind in every shape), against @foxglove/rosmsg2-serialization, an independent ROS 2 CDR
# implementation, byte for byte in both directions.
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

# Every committed sample is a test of its own in each direction: the count run must be at
# least the count of samples.
samples=$(node -e 'const fs = require("fs"); let n = 0;
for (const dir of process.argv.slice(1)) for (const f of fs.readdirSync(dir)) if (f.endsWith(".json"))
  n += JSON.parse(fs.readFileSync(`${dir}/${f}`)).length;
console.log(n);' "$root/test/samples" "$root/test/kovel_matrix_msgs/samples")
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
timeout 300 node --test --test-reporter=tap check.test.js interop.test.js matrix.test.js >"$log" 2>&1 ||
  status=$?
cat "$log"
passed=$(sed -n 's/^# pass \([0-9][0-9]*\)$/\1/p' "$log")
failed=$(sed -n 's/^# fail \([0-9][0-9]*\)$/\1/p' "$log")
skipped=$(sed -n 's/^# skipped \([0-9][0-9]*\)$/\1/p' "$log")
ran=$((${passed:-0} + ${failed:-0}))
echo "interop: $ran tests run, ${failed:-0} failed, ${skipped:-0} skipped," \
  "over $samples committed samples"
[ -z "${KOVEL_TEST_COUNTS:-}" ] || echo "interop ${ran:-0} ${failed:-0}" >>"$KOVEL_TEST_COUNTS"
if [ "${ran:-0}" -lt "$samples" ] || [ "$samples" -eq 0 ]; then
  echo "interop: fewer tests ran than there are samples" >&2
  exit 1
fi
exit $status
