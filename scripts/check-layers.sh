#!/usr/bin/env bash
# Fails when a folder includes a folder of its own layer or of a layer above it: each
# folder includes only itself and the layers below it, so no include cycle can form.
set -euo pipefail
cd "$(dirname "$0")/.."

# Bottom to top; folders on one line are siblings and do not include each other.
layers=(
  "base"
  "converter"
  "store bitmaps"
  "qx5link"
  "display"
  "categories"
  "lines intake"
  "app"
)

declare -A rank
folders=()
for i in "${!layers[@]}"; do
  for d in ${layers[$i]}; do
    rank[$d]=$i
    folders+=("$d")
  done
done

status=0
while IFS= read -r hit; do
  file=${hit%%:*}
  from=${file%%/*}
  to=$(sed -E 's/^[^"]*"([^/"]*)\/.*/\1/' <<<"$hit")
  [ -n "${rank[$to]+set}" ] || continue
  if [ "$to" != "$from" ] && [ "${rank[$to]}" -ge "${rank[$from]}" ]; then
    echo "layers: $file includes $to/, which is not below $from/" >&2
    status=1
  fi
done < <(grep -rHE '^#include "[^/"]+/' --include='*.h' --include='*.cpp' --include='*.c' "${folders[@]}")
exit $status
