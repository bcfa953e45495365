#!/usr/bin/env bash
# Model files through the real program: the usage text, --convert without a display (the native formats in a
# chain, an import through the child process, broken files), a start file framed in both views with its name
# in the title and saved again with Ctrl+S, a file opened with Ctrl+O through the file dialog, and a start file
# that cannot be read (the sample scene and a message box that says why).
# Usage: test_files.sh PROGRAM   (starts its own Xvfb unless INSIDE_XVFB is set)
source "$(dirname "$(readlink -f "$0")")/common.sh"
program=$(readlink -f "$1")
cd "$work"

# --- the command line ----------------------------------------------------------------------------------

"$program" --help >help.txt 2>&1 || fail "--help ended with $?"
grep -q "^Usage: facetwright \[FILE\]" help.txt || fail "--help printed no usage"
"$program" one two 2>/dev/null
[ $? -eq 2 ] || fail "two files on the command line are not refused"

# A blue cube of side 2 around (10, 20, 30).
cat >cube.obj <<'OBJ'
v 9 19 29 0 0 1
v 11 19 29 0 0 1
v 11 21 29 0 0 1
v 9 21 29 0 0 1
v 9 19 31 0 0 1
v 11 19 31 0 0 1
v 11 21 31 0 0 1
v 9 21 31 0 0 1
f 1 4 3 2
f 5 6 7 8
f 1 2 6 5
f 2 3 7 6
f 3 4 8 7
f 4 1 5 8
OBJ
# convert FROM TO: runs --convert without a display; its log in convert.log, its status in $status
convert_file() {
    env -u DISPLAY -u WAYLAND_DISPLAY "$program" --convert "$1" "$2" 2>convert.log
    status=$?
}
for step in "cube.obj cube.ply" "cube.ply cube.off" "cube.off cube.stl" "cube.stl back.obj"; do
    set -- $step
    convert_file "$1" "$2"
    [ "$status" -eq 0 ] || fail "--convert $1 $2 ended with $status: $(cat convert.log)"
    grep -qxF "[pw2_Model] Saved \"$2\": 8 points, $([ "$1" = cube.stl ] && echo 18 || echo 12) edges, \
$([ "$1" = cube.stl ] && echo 12 || echo 6) faces." convert.log || fail "no saved line for $2: $(cat convert.log)"
done
# STL keeps triangles, welded back into the cube's eight points
[ "$(grep -c '^v ' back.obj)" -eq 8 ] && [ "$(grep -c '^f ' back.obj)" -eq 12 ] || fail "back.obj is not the cube"

# An import through the child process: a triangle scaled by 2 under a node moved 10 along x.
cat >node.gltf <<'GLTF'
{"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
 "nodes": [{"translation": [10, 0, 0], "children": [1]}, {"scale": [2, 2, 2], "mesh": 0}],
 "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "mode": 4}]}],
 "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]}],
 "bufferViews": [{"buffer": 0, "byteLength": 36}],
 "buffers": [{"byteLength": 36, "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}]}
GLTF
convert_file node.gltf node.obj
[ "$status" -eq 0 ] || fail "the glTF import ended with $status: $(cat convert.log)"
grep -qxF "[pw2_Model] Loaded \"node.gltf\": 3 points, 3 edges, 1 faces." convert.log || fail "glTF: $(cat convert.log)"
[ "$(grep '^v ' node.obj | tr '\n' ' ')" = "v 10 0 0 v 12 0 0 v 10 2 0 " ] || fail "glTF points: $(grep '^v ' node.obj)"

# Broken files: a clear reason and a failure status, never a crash.
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\n\nf 1 2 40\n' >bad.obj
printf '{"asset": {"version": "2.0"}, "meshes": [{"primitives": [{"attributes": {"POSITION": 7}}]}]}' >broken.gltf
head -c 3000 /dev/urandom >noise.glb
for broken in "bad.obj out.ply|facetwright: line 5: " "broken.gltf out.ply|facetwright: " \
    "noise.glb out.ply|facetwright: " "cube.obj out.gltf|facetwright: this format can be opened but not saved"; do
    files=${broken%%|*} reason=${broken#*|}
    set -- $files
    convert_file "$1" "$2"
    [ "$status" -eq 1 ] || fail "--convert $files ended with $status, expected 1"
    grep -qF "$reason" convert.log || fail "--convert $files said: $(cat convert.log)"
    grep -qF "[pw2_Model] Failed to " convert.log || fail "--convert $files logged no failure"
    [ -e "$2" ] && fail "--convert $files left $2 behind"
done

# --- the window ----------------------------------------------------------------------------------------

# Starts the program with the arguments given and waits for the window with the title given.
start() {
    local title=$1; shift
    "$program" "$@" 2>"$log" &
    pid=$!
    window=$(timeout 20 bash -c "$(declare -f wait_for_title); wait_for_title '$title'")
    [ -n "$window" ] || { fail "no window titled '$title'"; cat "$log" >&2; return 1; }
}
# A key into the window found last, which gets the focus first.
key() {
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key "$1"
}
quit() {
    key alt+F4
    wait_for_exit
    [ "${status:-x}" = 0 ] || fail "exit status ${status:-none}, expected 0"
    check_faults
}

start "cube.obj - Facetwright v6" cube.obj &&
    wait_for_line "[pw2_Model] Loaded \"cube.obj\": 8 points, 12 edges, 6 faces." && {
    sleep 0.5
    import -window "$window" cube.png
    # both views frame the blue cube, though it lies far from the origin
    for left in 0 400; do
        count=$(scene_pixels cube.png "$((left + 1))" 1 398 398)
        [ "${count:-0}" -ge 10000 ] || fail "only ${count:-0} pixels of the cube in the view at $left"
    done
    grep -q "Sample\|212 points" "$log" && fail "the sample scene was built beside the start file"
    key ctrl+s
    wait_for_line "[pw2_Model] Saved \"cube.obj\": 8 points, 12 edges, 6 faces."
    quit
}
[ "$(grep -c '^f ' cube.obj)" -eq 6 ] || fail "Ctrl+S did not write the cube back"

# Ctrl+O: the platform's file dialog, answered with a typed path.
start "Facetwright v6" &&
    wait_for_line "[pw2_GraphicsController] Device was reset." && {
    key ctrl+o
    dialog=$(timeout 10 xdotool search --sync --onlyvisible --name "Open" 2>/dev/null | tail -n1)
    if [ -n "$dialog" ]; then
        xdotool windowfocus --sync "$dialog" 2>/dev/null
        xdotool type --delay 20 "$work/back.obj"
        xdotool key Return
        wait_for_line "[pw2_Model] Loaded \"$work/back.obj\": 8 points, 18 edges, 12 faces."
        [ -n "$(wait_for_title "back.obj - Facetwright v6")" ] || fail "no title for back.obj"
    else
        fail "Ctrl+O showed no dialog"
    fi
    quit
}

# A start file that cannot be read: the sample scene and a message box that names the file and the reason.
start "Facetwright v6" missing.obj &&
    wait_for_line "[pw2_Model] Failed to load \"missing.obj\": the file cannot be read: no such file or directory." && {
    box=$(timeout 10 xdotool search --sync --onlyvisible --name "^Failed to load\$" 2>/dev/null | tail -n1)
    [ -n "$box" ] || fail "no message box"
    [ -n "$box" ] && { xdotool windowfocus --sync "$box" 2>/dev/null; xdotool key Return; }
    sleep 1
    window=$(wait_for_title "Facetwright v6")
    import -window "$window" missing.png
    count=$(scene_pixels missing.png 1 1 398 398)
    [ "${count:-0}" -ge 5000 ] || fail "no sample scene after the failed start file (${count:-0} pixels)"
    quit
}

if [ "$failures" -ne 0 ]; then
    cp cube.png /tmp/test_files_failed.png 2>/dev/null && echo "screenshot in /tmp/test_files_failed.png" >&2
    exit 1
fi
echo "model files read, written, converted and opened"
