#!/usr/bin/env bash
# The JSON target of scripts/fuzz.sh: bash scripts/fuzz-json.sh [seconds].
exec bash "$(dirname "$0")/fuzz.sh" json "${1:-60}"
