#!/usr/bin/env bash
# Builds the Debian package from the build, checks its files and control
# fields, unpacks it into a temporary root and starts the unpacked program
# there as an unprivileged user with a home of its own, the sample clip on its
# command line and the fake converter in place of the ffmpeg link: the clip is
# probed and its frame grabbed, SIGTERM ends the program as Exit does, and
# the user's own settings file is written.
# Usage: package_test.sh <build folder> <fake converter> <version>
set -euo pipefail
build=$1
fake=$2
version=$3
tmp=$(mktemp -d /tmp/calm-package-XXXXXX)
pid=""
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }

# The package, from the build as it is now (cpack builds what is out of date).
cpack --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >"$tmp/cpack.txt" 2>&1 \
    || { cat "$tmp/cpack.txt"; fail "cpack"; }
deb=$tmp/pkg/calmora_${version}_amd64.deb
[ -f "$deb" ] || fail "no $deb"

# What it holds: these files and links, nothing else (folders aside).
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^[^.]*\./, ""); print }' | sort >"$tmp/files.txt"
cat >"$tmp/expected.txt" <<'EOF'
/usr/bin/calmora
/usr/lib/calmora/calm/client.exe -> /usr/bin/ffmpeg
/usr/share/applications/calmora.desktop
/usr/share/bash-completion/completions/calmora
/usr/share/calmora/samples/shaky-sample.mp4
/usr/share/doc/calmora/copyright
/usr/share/icons/hicolor/scalable/apps/calmora.svg
/usr/share/man/man1/calmora.1.gz
EOF
diff -u "$tmp/expected.txt" "$tmp/files.txt" || fail "the package's file list"

# Control fields. Depends: ffmpeg, and the package of every library the
# program is linked against, as dpkg-shlibdeps finds them.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = calmora ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
depends=$(field Depends)
packages_in_depends() { tr ',|' '\n\n' | sed 's/(.*)//; s/ //g' | sed '/^$/d'; }
echo "$depends" | packages_in_depends | grep -x ffmpeg >/dev/null || fail "Depends lacks ffmpeg: $depends"

root=$tmp/root
dpkg-deb -x "$deb" "$root"
for lib in $(objdump -p "$root/usr/bin/calmora" | awk '$1 == "NEEDED" { print $2 }'); do
    path=$(ldconfig -p | awk -v lib="$lib" '$1 == lib && /x86-64/ { print $NF; exit }')
    [ -n "$path" ] || fail "$lib is not on this system"
    # dpkg knows a library by the path its package gave it, before or after /usr merging.
    owner=""
    for p in "$path" "$(readlink -f "$path")"; do
        owner=$(dpkg -S "$p" 2>/dev/null | head -1 | cut -d: -f1) && [ -n "$owner" ] && break
    done
    [ -n "$owner" ] || fail "no package owns $path"
    echo "$depends" | packages_in_depends | grep -x "$owner" >/dev/null \
        || fail "Depends lacks $owner (for $lib): $depends"
done

desktop-file-validate "$root/usr/share/applications/calmora.desktop"
grep -qx 'Exec=calmora %f' "$root/usr/share/applications/calmora.desktop" || fail "Exec line"
man -l "$root/usr/share/man/man1/calmora.1.gz" 2>&1 | tr -s ' ' >"$tmp/man.txt"
for text in "calmora [FILE]" "calmora --fix [OPTION]... SOURCE..." "calmview.ini" \
            "/usr/lib/calmora/calm/client.exe"; do
    grep -qF -- "$text" "$tmp/man.txt" || fail "the man page does not say $text"
done
# The completion, as bash-completion would load it, offers the options of --fix.
bash -c 'source "$1"; COMP_WORDS=(calmora --fix --ov); COMP_CWORD=2; _calmora
         [ "${COMPREPLY[*]}" = --overwrite ]' _ "$root/usr/share/bash-completion/completions/calmora" \
    || fail "the bash completion does not complete --ov to --overwrite"
/usr/bin/ffmpeg -hide_banner -filters 2>/dev/null | grep vidstabdetect >/dev/null \
    || fail "/usr/bin/ffmpeg, the package's converter, lacks vid.stab"

# The fake converter where the link was; it logs beside itself, so the user
# may write there.
clip=$root/usr/share/calmora/samples/shaky-sample.mp4
calm=$root/usr/lib/calmora/calm
rm "$calm/client.exe"
cp "$fake" "$calm/client.exe"
printf '%s\n' 'on -ss' 'bmp' 'exit 0' 'on *' \
    "out ffmpeg version fake\\nInput #0, mov,mp4,m4a, from 'clip.mp4':\\n  Duration: 00:00:04.00, start: 0.000000, bitrate: 900 kb/s\\n  Stream #0:0(und): Video: h264, yuv420p, 320x240 [SAR 1:1], 800 kb/s, 25 fps\\n" \
    'exit 1' >"$calm/client.script"

# The user: nobody when this runs as root (as CI does), else whoever runs it.
home=$tmp/home
# A home, a temporary folder and a runtime folder of its own, as a login gives.
mkdir -m 700 "$home" "$tmp/usertmp" "$tmp/run"
chmod 755 "$tmp"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown 65534:65534 "$home" "$tmp/usertmp" "$tmp/run" "$calm"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
touch "$tmp/started"
env -i HOME="$home" PATH=/usr/bin:/bin TMPDIR="$tmp/usertmp" XDG_RUNTIME_DIR="$tmp/run" \
    QT_QPA_PLATFORM=offscreen \
    "${as_user[@]}" "$root/usr/bin/calmora" "$clip" >"$tmp/out.txt" 2>&1 &
pid=$!

# One converter run per line: "arg1 arg2 ...".
runs() {
    [ -f "$calm/client.log" ] || return 0
    awk '/^run$/ { line = "" } /^arg / { line = line (line == "" ? "" : " ") substr($0, 5) }
         /^end$/ { print line }' "$calm/client.log"
}
probed() { runs | grep -xF -- "$calm/client.exe -i $clip" >/dev/null; }
grabbed() { runs | grep -F -- "-ss 00:00:02.00 -i $clip -y -vframes 1" >/dev/null; }
wait_for() {
    for _ in $(seq 100); do
        "$@" && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# Checks that hold once the program keeps its files per user (settings in
# the user's configuration folder, the preview frame in a private folder)
# rather than beside itself; all of them are told at the end.
per_user_failures=()
per_user() { per_user_failures+=("$1"); }

wait_for probed || { runs; cat "$tmp/out.txt"; fail "the clip was not probed"; }
wait_for grabbed || per_user "the clip's frame was not grabbed: $(runs | tail -1)"
kill -0 "$pid" 2>/dev/null || { cat "$tmp/out.txt"; fail "the program ended by itself"; }

# SIGTERM: the window closes as Exit closes it and the program ends well.
kill -TERM "$pid"
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end on SIGTERM"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || { cat "$tmp/out.txt"; fail "exit status $status after SIGTERM"; }

settings=$home/.config/calmora/calmview.ini
if [ ! -f "$settings" ]; then
    per_user "closing did not write $settings"
elif ! grep -q '^shakiness=' "$settings"; then
    per_user "$settings holds no parameters"
fi
written=$(find "$root" -newer "$tmp/started" -type f ! -path "$calm/*")
[ -z "$written" ] || per_user "written beside the program: $written"
left=$(ls -A "$tmp/usertmp" "$tmp/run" | grep -v ':$' | sed '/^$/d' || true)
[ -z "$left" ] || per_user "left in the temporary or runtime folder: $left"
if [ ${#per_user_failures[@]} -gt 0 ]; then
    printf 'FAILED (per-user files): %s\n' "${per_user_failures[@]}"
    cat "$tmp/out.txt"
    exit 1
fi
echo "package test passed"
