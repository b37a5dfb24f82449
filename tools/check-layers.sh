#!/usr/bin/env bash
# Fails when an include points up a layer. The layers, top to bottom:
#   app -> imposition -> writer -> pdf      app -> normalise -> writer -> pdf
# imposition and normalise stand side by side and never include each other. Below app, only the
# plain settings header app/JobSettings.h may be included, and it includes no other app header.
set -euo pipefail
cd "$(dirname "$0")/.."

rank() {
  case "$1" in
    pdf) echo 0 ;;
    writer) echo 1 ;;
    imposition | normalise) echo 2 ;;
    app) echo 3 ;;
    *) echo -1 ;;
  esac
}

status=0
for folder in pdf writer imposition normalise app; do
  for file in $(git ls-files -- "$folder/*.cpp" "$folder/*.h"); do
    while IFS= read -r line; do
      target=${line#*\"}
      target=${target%%\"*}
      to=${target%%/*}
      # The settings header is the one app header below app, so it may lead to no other.
      if [ "$file" = app/JobSettings.h ] && [ "$to" = app ]; then
        echo "layer violation: $file includes $target; it must stay the only app header below app"
        status=1
        continue
      fi
      [ "$to" = "$folder" ] && continue
      [ "$target" = app/JobSettings.h ] && continue
      to_rank=$(rank "$to")
      [ "$to_rank" -lt 0 ] && continue
      if [ "$to_rank" -ge "$(rank "$folder")" ]; then
        echo "layer violation: $file includes $target"
        status=1
      fi
    done < <(grep -E '^#[[:space:]]*include[[:space:]]*"[a-z]+/' "$file" || true)
  done
done
[ $status -eq 0 ] && echo "Layers hold: every include points down."
exit $status
