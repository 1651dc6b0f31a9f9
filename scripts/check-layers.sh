#!/usr/bin/env bash
# Fails when a folder of src/ includes one of a higher layer:
# platform → net, data → fileserver → service → transfer → views → app.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
declare -A rank=([platform]=0 [net]=1 [data]=1 [fileserver]=2 [service]=3 [transfer]=4 [views]=5 [app]=6)
bad=0
for folder in "${!rank[@]}"; do
  for file in "$root"/src/"$folder"/*.{h,cpp}; do
    [ -e "$file" ] || continue
    while read -r included; do
      [ -n "${rank[$included]:-}" ] || continue
      if [ "$included" != "$folder" ] && [ "${rank[$included]}" -ge "${rank[$folder]}" ]; then
        echo "layering: src/$folder/$(basename "$file") includes $included/"
        bad=1
      fi
    done < <(sed -n 's|^#include "\([a-z]*\)/.*|\1|p' "$file")
  done
done
[ "$bad" -eq 0 ] && echo "layering: every include points down"
exit "$bad"
