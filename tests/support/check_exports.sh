#!/bin/sh
# check_exports.sh <library> <name,name,...>: the library's defined dynamic
# symbols must be exactly the listed names.
lib="$1"
expected=$(printf '%s\n' "$2" | tr ',' '\n' | sed '/^$/d' | sort)
actual=$(nm -D --defined-only "$lib" | awk '{print $3}' | sed '/^$/d' | sort)
if [ "$expected" != "$actual" ]; then
  echo "exports of $lib differ"
  echo "expected:"; echo "$expected"
  echo "actual:"; echo "$actual"
  exit 1
fi
echo "exports of $lib: $(echo "$actual" | wc -l) names as listed"
