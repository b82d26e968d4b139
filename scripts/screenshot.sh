#!/usr/bin/env bash
# Takes a screenshot of the panel at 1280x800 under a virtual display: scripts/screenshot.sh out.png
set -euo pipefail
out=${1:-screenshot.png}
bin=${TESSAREL_BIN:-build/src/tessarel}
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
  $bin & pid=\$!
  sleep \${TESSAREL_SHOT_DELAY:-3}
  import -window root '$out'
  kill \$pid; wait \$pid 2>/dev/null || true"
echo "$out"
