#!/usr/bin/env bash
# The README's main command: installs what is missing, builds, and encodes a sample
# DeviceInfo into a DDS payload and decodes it back with kovel_cdr.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh -DKOVEL_BUILD_TESTS=OFF >/dev/null

kovel_cdr=build/tools/kovel_cdr
sample='{"header": {"stamp": {"sec": 1765200000, "nanosec": 500}, "frame_id": "camera_link"},
 "name": "Kovel K1", "vid": 11205, "pid": 1, "serial_number": "KV-000123",
 "firmware_version": "2.4.1", "supported_min_sdk_version": "1.0", "hardware_version": "B"}'
echo "DeviceInfo as JSON:"
echo "$sample"
echo
echo "as a DDS payload (hex):"
hex=$(echo "$sample" | "$kovel_cdr" encode DeviceInfo --hex)
echo "$hex"
echo
echo "decoded back:"
echo "$hex" | "$kovel_cdr" decode DeviceInfo --hex
