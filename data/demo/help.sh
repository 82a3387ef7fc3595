#!/bin/sh
# Help > Instructions: shows the how-to kept beside this script, in the
# desktop's viewer when there is one, else on standard output.
file="$(dirname "$0")/Instructions.txt"
if [ ! -r "$file" ]; then
    echo "Instructions not found: $file" >&2
    exit 1
fi
if command -v xdg-open >/dev/null 2>&1 && xdg-open "$file" >/dev/null 2>&1; then
    exit 0
fi
cat "$file"
