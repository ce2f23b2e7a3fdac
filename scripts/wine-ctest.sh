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
# The caption font as a LOGFONTW: 11 pixels high, bold, Shift-JIS, "MS UI
# Gothic". Wine's own caption font has no Japanese glyphs and would draw the
# Japanese dialogs' titles as boxes; this one draws both languages.
caption_font=f5ffffff000000000000000000000000bc0200000000008000000022
caption_font=${caption_font}4d005300200055004900200047006f0074006800690063
export caption_font=${caption_font}00000000000000000000000000000000000000000000000000000000000000000000000000000000
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
    /usr/lib/wine/wine64 reg add "HKCU\\Control Panel\\Desktop\\WindowMetrics" /v CaptionFont /t REG_BINARY \
        /d "$caption_font" /f >/dev/null 2>&1
    ctest --test-dir "$0" --output-on-failure --timeout 120 --repeat until-pass:2 "$@"
    rc=$?
    "$WINESERVER" -k >/dev/null 2>&1
    exit $rc' "$build_dir" "$@"
