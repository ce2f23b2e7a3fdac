#!/bin/sh
# Runs the CTest suite of a Windows build directory under Wine with a virtual
# X display, so that real windows and message queues exist.
#
# Wine's helper processes inherit the first Wine process's output and would
# hold CTest's pipes open; starting the wineserver persistently and warming
# the prefix with a command whose output is not CTest's avoids that hang.
# Under load Wine now and then fails to start a test process at all (the
# test fails in 0.00 s without a line of output); a test is run a second
# time before it counts as failed. Native and sanitizer suites get no retry.
set -eu
build_dir=$(cd "$1" && pwd)
shift
export WINEPREFIX="${WINEPREFIX:-$build_dir/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINESERVER=/usr/lib/wine/wineserver
mkdir -p "$WINEPREFIX"
# The screen is large enough for a full-size preview window with its frame.
exec xvfb-run -a -s "-screen 0 2720x2304x24" sh -c '
    "$WINESERVER" -p
    /usr/lib/wine/wine64 wineboot >/dev/null 2>&1
    # Without a window manager, Wine waits two seconds for one each time a
    # managed window goes away; windows it does not hand to a manager go at once.
    /usr/lib/wine/wine64 reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
    # The dialog pictures show the frame and caption that Wine draws itself
    # (no window manager runs on the virtual display); for that suite only.
    /usr/lib/wine/wine64 reg add "HKCU\\Software\\Wine\\AppDefaults\\test_dialogs.exe\\X11 Driver" \
        /v Decorated /d N /f >/dev/null 2>&1
    ctest --test-dir "$0" --output-on-failure --timeout 120 --repeat until-pass:2 "$@"
    rc=$?
    "$WINESERVER" -k >/dev/null 2>&1
    exit $rc' "$build_dir" "$@"
