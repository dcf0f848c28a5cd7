#!/usr/bin/env bash
# The set-ups doc/editors.md shows are the files in doc/editors/ that are
# installed with it and that CI runs: each file's text stands in the page
# as one fenced block, whole. Called by .ci/editor.sh and by the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
for f in doc/editors/*; do
  if ! python3 - "$f" <<'PY'
import re, sys
path = sys.argv[1]
snippet = open(path, encoding='utf-8').read()
page = open('doc/editors.md', encoding='utf-8').read()
blocks = re.findall(r'^```[a-z]*\n(.*?)^```$', page, re.S | re.M)
sys.exit(0 if snippet in blocks else 1)
PY
  then
    echo "doc/editors.md does not show $f as one whole block" >&2
    status=1
  fi
done
exit $status
