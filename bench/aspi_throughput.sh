#!/usr/bin/env bash
# Our ASPI layer against direct pass-through, in the drive tier's virtual machine (three emulated
# CD-ROM drives, a 48 MB disc): the whole disc read with 64 KiB READ(10) requests both ways and the
# throughput ratio, then how long a read of E: waits while D: is busy. Needs a built tree
# (scripts/build.sh) and what the drive tier needs; about 3 minutes under software emulation.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
QS_GUEST_RUN=$root/bench/aspi_throughput_guest.sh exec bash "$root/tests/drives/run.sh"
