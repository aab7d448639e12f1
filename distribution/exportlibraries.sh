#!/bin/sh
# Build step: lists each library the viewer loads with the Debian package
# that ships it ("soname package"), for autorun.sh on another machine.
viewer=$1
out=$2
: > "$out.new"
ldd "$viewer" | sed -n 's/^[[:space:]]*\([^ ]*\) => \(\/[^ ]*\) .*/\1 \2/p' |
while read -r name path; do
    package=$(dpkg -S "$path" 2>/dev/null | head -n 1 | cut -d: -f1)
    [ -n "$package" ] || package=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -n 1 | cut -d: -f1)
    echo "$name ${package:-unknown}" >> "$out.new"
done
mv "$out.new" "$out"
