#!/bin/sh
# Starts the course's viewer, named in autorun.inf beside this file. When
# libraries it needs are missing here, says which Debian packages bring them.
here=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd)
viewer=$(sed -n 's/^open = \(.*\)$/\1/p' "$here/autorun.inf" | tr -d '\r')

missing=$(ldd "$here/$viewer" 2>/dev/null | sed -n 's/^[[:space:]]*\([^ ]*\) => not found.*/\1/p')
if [ -n "$missing" ]; then
    packages=""
    for name in $missing; do
        package=$(sed -n "s/^$name \(.*\)$/\1/p" "$here/libraries.txt" 2>/dev/null | head -n 1)
        case " $packages " in *" ${package:-$name} "*) ;; *) packages="$packages ${package:-$name}" ;; esac
    done
    text="This course needs programs that are not installed on this computer.
Install them with:
  sudo apt-get install$packages"
    if [ -n "$DISPLAY$WAYLAND_DISPLAY" ] && command -v zenity >/dev/null 2>&1; then
        zenity --error --title=KOA --text="$text"
    elif [ -n "$DISPLAY$WAYLAND_DISPLAY" ] && command -v kdialog >/dev/null 2>&1; then
        kdialog --title KOA --error "$text"
    elif [ -n "$DISPLAY" ] && command -v xmessage >/dev/null 2>&1; then
        xmessage -center "$text"
    else
        echo "$text" >&2
    fi
    exit 1
fi
exec "$here/$viewer" "$here"
