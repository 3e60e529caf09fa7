#!/bin/sh
# validate.sh TOOL [ARGUMENTS...]: runs a validator, or reports the test skipped (77) when the
# tool is not installed.
command -v "$1" >/dev/null 2>&1 || { echo "$1 is not installed: skipped"; exit 77; }
exec "$@"
