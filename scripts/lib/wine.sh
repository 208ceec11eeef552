# shellcheck shell=bash
# The helpers of the tests under Wine (scripts/test-windows, which sets $root and sources this):
# the user without elevation and its rights, the prefix's files, the program under test, what the
# screen shows, the results, and the run that gives each group a prefix and a screen of its own.
: "${root:?the project folder, which scripts/test-windows sets}"

declare -A wine_of=([win64]=/usr/lib/wine/wine64 [win32]=/usr/lib/wine/wine)
declare -A wineserver_of=([win64]=/usr/lib/wine/wineserver64 [win32]=/usr/lib/wine/wineserver32)
declare -A arch_name=([win64]=x86-64 [win32]=i686)
# What file(1) says of each build's screen saver.
# shellcheck disable=SC2034  # for the cases and the run
declare -A format=([win64]='PE32+ executable (GUI) x86-64' [win32]='PE32 executable (GUI) Intel 80386')
arch="${QUILLMOR_WINE_ARCH:-win64}"
build="$root/build-$arch"
wine="${wine_of[$arch]}"
# shellcheck disable=SC2034  # for the cases
wineserver="${wineserver_of[$arch]}"
# The screen saver a case starts.
scr="$build/quillmor.scr"
shots="${QUILLMOR_WINE_SHOTS:-$build/wine-shots}"
wine_user="${QUILLMOR_WINE_USER:-quillmor-wine}"
[ "$(id -u)" -ne 0 ] && wine_user="$(id -un)"

# ---- The user without elevation ----

# Runs a command as the user without elevation, with the environment as it stands.
as_user() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u "$wine_user" -- "$@"
  else
    "$@"
  fi
}

make_wine_user() {  # run as root, makes the user once
  if [ "$(id -u)" -eq 0 ] && ! id -u "$wine_user" >/dev/null 2>&1; then
    useradd --create-home --shell /bin/bash "$wine_user" || { echo "cannot make the user $wine_user" >&2; return 1; }
  fi
}

# The folders a user without elevation may not change.
system_folders() {  # system_folders PREFIX
  local folder
  for folder in windows "Program Files" "Program Files (x86)" ProgramData; do
    [ -d "$1/drive_c/$folder" ] && printf '%s\n' "$1/drive_c/$folder"
  done
}
take_rights() {  # take_rights PREFIX: the system folders become read-only to the user
  system_folders "$1" | while read -r folder; do chmod -R a-w "$folder"; done
}
give_rights() {  # give_rights PREFIX: as an elevated user, the user may change them again
  system_folders "$1" | while read -r folder; do chmod -R u+w "$folder"; done
}
elevated() { [ "${QUILLMOR_WINE_RIGHTS:-user}" = elevated ]; }

# ---- Cases and their results ----

# Records one case: PASS or FAIL with the reason, in the results file.
record() {  # record SUITE CASE STATUS [REASON]
  set -- "$1" "$2" "$3" "$(printf '%s' "${4:-}" | tr '\t\n' '  ')"
  printf '%s\t%s\t%s\t%s\t%s\n' "$arch" "$1" "$2" "$3" "${4:-}" >>"$QUILLMOR_WINE_RESULTS"
  if [ "$3" = PASS ]; then
    printf '  ok    %s.%s\n' "$1" "$2"
  else
    printf '  FAIL  %s.%s: %s\n' "$1" "$2" "${4:-}"
  fi
}

# Runs one case and records it; what it prints is the reason it failed. It runs in a subshell of
# its own, so that fail ends the case and nothing else.
run_case() {  # run_case SUITE NAME FUNCTION
  local reason
  if reason="$("$3" 2>&1)"; then
    record "$1" "$2" PASS
  else
    record "$1" "$2" FAIL "${reason:-failed}"
    return 1
  fi
}
fail() {  # fail REASON: ends the case
  echo "$*"
  exit 1
}

# Polls until the command succeeds or seconds pass: what the test waits for is observable.
wait_until() {  # wait_until SECONDS COMMAND...
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$end" ] && return 1
    sleep 0.1
  done
}

# Each build's counts and every failure; fails if a case failed.
print_summary() {  # print_summary ARCHES: the builds that ran
  local arch mine passed failed suites failed_suites status=0
  for arch in win64 win32; do
    if [[ " $1 " != *" $arch "* ]]; then
      echo "Wine ${arch_name[$arch]}: not run on this machine"
      continue
    fi
    mine=$(awk -F'\t' -v a="$arch" '$1 == a' "$results")
    passed=$(awk -F'\t' '$4 == "PASS"' <<<"$mine" | wc -l)
    failed=$(awk -F'\t' 'NF && $4 != "PASS"' <<<"$mine" | wc -l)
    suites=$(cut -f2 <<<"$mine" | sort -u | grep -c .)
    failed_suites=$(awk -F'\t' 'NF && $4 != "PASS" { print $2 }' <<<"$mine" | sort -u | grep -c .)
    echo "Wine ${arch_name[$arch]}: $((suites - failed_suites)) of $suites suites, $passed of $((passed + failed)) cases"
  done
  if awk -F'\t' '$4 != "PASS"' "$results" | grep -q .; then
    awk -F'\t' '$4 != "PASS" { printf "  failed (%s): %s.%s: %s\n", $1, $2, $3, $5 }' "$results"
    status=1
  fi
  for arch in $1; do
    [ -d "$root/build-$arch/wine-shots" ] && echo "screenshots: $root/build-$arch/wine-shots"
  done
  return $status
}

# ---- The prefix's files ----

drive_c() { printf '%s/drive_c' "$WINEPREFIX"; }
system32() { printf '%s/windows/system32' "$(drive_c)"; }
syswow64() { printf '%s/windows/syswow64' "$(drive_c)"; }
# The machine-wide settings file, in the Windows folder.
settings_file() { printf '%s/windows/quilmr20.ini' "$(drive_c)"; }
# The user's own copy, where the desktop keeps the writes the Windows folder refuses.
virtual_store() { printf '%s/users/%s/AppData/Local/VirtualStore' "$(drive_c)" "$wine_user"; }
user_copy() { printf '%s/windows/quilmr20.ini' "$(virtual_store)"; }
# Where this user's settings land: the Windows folder where it takes the write.
users_settings() {
  if elevated; then settings_file; else user_copy; fi
}
picture_folder() { printf '%s/Tavrin/Quillmor' "$(drive_c)"; }
picture_count() { find "$(picture_folder)" -maxdepth 1 -name '*.jpg' | wc -l; }

# What an administrator does in the Windows folder: the folder and its file stay read-only to the
# user afterwards, unless the group runs elevated.
as_administrator() {  # as_administrator COMMAND...
  local folder status
  folder="$(drive_c)/windows"
  chmod u+w "$folder"
  "$@"
  status=$?
  if ! elevated; then
    [ -e "$(settings_file)" ] && chmod a-w "$(settings_file)"
    chmod a-w "$folder"
  elif [ "$(id -u)" -eq 0 ] && [ -e "$(settings_file)" ]; then
    # Root's file would refuse the user's rewrite: elevated, the user may change it.
    chown "$wine_user:" "$(settings_file)"
  fi
  return $status
}
remove_settings() {
  as_administrator rm -f "$(settings_file)"
  chmod -R u+w "$(virtual_store)" 2>/dev/null
  rm -rf "$(virtual_store)"
}

# A settings file's text, with the CRLF lines the desktop's profile functions write.
options() {  # options OPTION-LINES: the [Options] section
  printf '[Options]\r\n'
  printf '%s\r\n' "$@"
}
sound_slots() {  # sound_slots [FILES]: the hundred sound slots, the files first, the rest Null
  local n=1 file
  printf '[WavConfig]\r\n'
  for file in "$@"; do
    printf 'Name%d=%s\r\n' "$n" "$file"
    n=$((n + 1))
  done
  for ((; n <= 100; n++)); do printf 'Name%d=Null\r\n' "$n"; done
}
# The machine-wide settings file from standard input, as an administrator put it there; no
# user's copy.
put_machine_file() {
  remove_settings
  cat >"$QUILLMOR_WINE_WORK/settings.ini"
  as_administrator cp "$QUILLMOR_WINE_WORK/settings.ini" "$(settings_file)"
}
write_settings() { put_machine_file < <(options "$@"); }  # write_settings OPTION-LINES

# The catalogue's 38 picture names, from the pictures the Linux build painted.
picture_names() {
  find "$QUILLMOR_WINE_PICTURES" -maxdepth 1 -name '*.jpg' -printf '%f\n' | sort
}
# Every catalogue picture as one solid colour of the given size.
install_pictures() {  # install_pictures WIDTH HEIGHT "r,g,b" [MISSING-NAME]
  local folder name
  folder="$(picture_folder)"
  mkdir -p "$folder"
  convert -size "$1x$2" "xc:rgb($3)" -quality 95 "$folder/.solid.jpg"
  for name in $(picture_names); do
    if [ "$name" = "${4:-}" ]; then
      rm -f "$folder/$name"
    else
      cp "$folder/.solid.jpg" "$folder/$name"
    fi
  done
  rm "$folder/.solid.jpg"
}

# One second of a 440 Hz square wave, 22050 Hz, 16-bit mono.
square_wave() {  # square_wave FILE
  perl -e '
    my ($rate, $n) = (22050, 22050);
    my $data = join "", map { pack "s<", (int($_ * 880 / $rate) % 2 ? 8000 : -8000) } 0 .. $n - 1;
    print "RIFF", pack("V", 36 + length $data), "WAVEfmt ", pack("VvvVVvv", 16, 1, 1, $rate, 2 * $rate, 2, 16),
      "data", pack("V", length $data), $data;' >"$1"
}

# ---- The program ----

# The program in the background; its pid in $program.
start_program() {  # start_program ARGUMENTS...
  as_user "$wine" "$scr" "$@" >/dev/null 2>&1 &
  program=$!
}
start_display() {  # the display, or the case fails
  start_program /s
  wait_until 20 window_shown quilldorn || fail "no display window"
}
exited() { ! kill -0 "$1" 2>/dev/null; }
# Waits for the program to end; its exit status, or 124 after the time.
wait_exit() {  # wait_exit PID SECONDS
  wait_until "$2" exited "$1" || return 124
  wait "$1"
}
key_ends() {  # key_ends KEY REASON: the key ends the program, or the case fails with the reason
  xdotool key "$1"
  wait_exit "$program" 5 || fail "$2"
}
# Every process in the prefix ends with its wineserver.
stop_wine() {  # stop_wine [ARCH]
  local server="${wineserver_of[${1:-$arch}]}"
  as_user "$server" -k 2>/dev/null
  as_user "$server" -w 2>/dev/null
}

# ---- The screen ----

window_shown() {  # window_shown NAME: a mapped window of that exact name exists
  xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1
}
no_window() { ! window_shown "$1"; }
window_id() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }  # window_id NAME
# The window's client area: "left top width height".
client_area() {  # client_area NAME
  local id
  id=$(window_id "$1")
  [ -n "$id" ] || return 1
  xwininfo -id "$id" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x, y, w, h }'
}
click_at() { xdotool mousemove "$1" "$2" click 1; }

screenshot() {  # screenshot FILE
  import -silent -window root "$1" 2>/dev/null
}
keep_shot() {  # keep_shot FILE NAME: keeps a screenshot for the report
  mkdir -p "$shots"
  cp "$1" "$shots/$2.png"
}
take_shot() {  # take_shot NAME: the screen as it is, for the report
  screenshot "$QUILLMOR_WINE_WORK/$1.png" && keep_shot "$QUILLMOR_WINE_WORK/$1.png" "$1"
}
# "r,g,b" of one pixel of a screenshot.
pixel() {  # pixel FILE X Y
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r+.5)],%[fx:int(255*p{$2,$3}.g+.5)],%[fx:int(255*p{$2,$3}.b+.5)]" info:
}
near() {  # near "r,g,b" "r,g,b" TOLERANCE
  local a b
  IFS=, read -r -a a <<<"$1"
  IFS=, read -r -a b <<<"$2"
  local i d
  for i in 0 1 2; do
    d=$((a[i] - b[i]))
    [ "${d#-}" -le "$3" ] || return 1
  done
}
colour_at() {  # colour_at FILE X Y "r,g,b" TOLERANCE: the pixel is that colour, give or take
  near "$(pixel "$1" "$2" "$3")" "$4" "$5"
}

# Waits for a screenshot on which CHECK FILE ARGUMENTS holds and keeps it as NAME, or the case
# fails with the reason; the last one stays in $shot.
screen_shows() {  # screen_shows SECONDS NAME REASON CHECK [ARGUMENTS...]
  local end=$((SECONDS + $1)) name="$2" reason="$3"
  shift 3
  shot="$QUILLMOR_WINE_WORK/shot-$BASHPID.png"
  # A check that compares with the shot before starts afresh at each step.
  rm -f "$shot.last"
  until screenshot "$shot" && "$1" "$shot" "${@:2}"; do
    if [ "$SECONDS" -ge "$end" ]; then
      keep_shot "$shot" "$name"
      fail "$reason"
    fi
    sleep 0.2
  done
  keep_shot "$shot" "$name"
}

# ---- The run ----

# The run's folder, removed at the end with every prefix in it: $work, $wine_home (the prefixes,
# the user's) and $results.
make_work() {
  work="$(mktemp -d)"
  chmod 755 "$work"
  wine_home="$work/wine"
  mkdir -p "$wine_home"
  [ "$(id -u)" -eq 0 ] && chown "$wine_user:" "$wine_home"
  trap remove_work EXIT
  results="$work/results"
  : >"$results"
  export QUILLMOR_WINE_RESULTS="$results" QUILLMOR_WINE_WORK="$work" QUILLMOR_WINE_USER="$wine_user"
}
remove_work() {
  local prefix a
  for prefix in "$wine_home"/*; do
    [ -d "$prefix" ] || continue
    for a in win64 win32; do WINEPREFIX="$prefix" as_user "${wineserver_of[$a]}" -k 2>/dev/null; done
    chmod -R u+w "$prefix" 2>/dev/null
  done
  rm -rf "$work"
}

# Sound goes to a file through ALSA's file plugin: no sound card, and the samples can be checked.
sound_to_file() {
  export QUILLMOR_WINE_SOUND="$work/sound.raw"
  : >"$QUILLMOR_WINE_SOUND"
  chmod 666 "$QUILLMOR_WINE_SOUND"
  cp /usr/share/alsa/alsa.conf "$work/alsa.conf"
  printf 'pcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n' "$QUILLMOR_WINE_SOUND" \
    >>"$work/alsa.conf"
  export ALSA_CONFIG_PATH="$work/alsa.conf"
}

# A tiny static i386 program: whether this machine executes 32-bit code at all.
runs_32_bit_code() {
  local probe="$work/probe32"
  printf '.globl _start\n_start:\n  movl $1, %%eax\n  xorl %%ebx, %%ebx\n  int $0x80\n' >"$probe.s"
  as --32 -o "$probe.o" "$probe.s" 2>/dev/null && ld -m elf_i386 -o "$probe" "$probe.o" 2>/dev/null &&
    "$probe" 2>/dev/null
}

boot_template() {  # boot_template ARCH: the prefix every group of that build copies
  local template="$wine_home/template-$1" start=$SECONDS
  echo "== a ${arch_name[$1]} Wine prefix to copy"
  if ! WINEPREFIX="$template" WINEARCH="$1" as_user xvfb-run -a "${wine_of[$1]}" wineboot -i \
    >"$work/boot-$1.log" 2>&1; then
    cat "$work/boot-$1.log"
    echo "wineboot failed for ${arch_name[$1]}" >&2
    return 1
  fi
  WINEPREFIX="$template" as_user "${wineserver_of[$1]}" -w
  echo "booted in $((SECONDS - start)) s"
}

# One group in a copy of the booted prefix and a screen of its own (800x600, or
# $QUILLMOR_WINE_SCREEN): the script calls itself with
# --group under xvfb-run. Wine runs as the user, the checks (xdotool, screenshots) as whoever runs
# the script: the screen takes every local client (-ac; it listens on no network).
run_group() {  # run_group ARCH RIGHTS GROUP [ARGUMENTS...]: RIGHTS is user or elevated
  local arch="$1" rights="$2" prefix="$wine_home/prefix-$1-$3${4:+-$4}" start=$SECONDS
  shift 2
  echo "== ${arch_name[$arch]}: $1 ${2:-}(as a user$([ "$rights" = elevated ] && echo " with elevation"))"
  as_user cp -a "$wine_home/template-$arch" "$prefix"
  [ "$rights" = user ] && take_rights "$prefix"
  local before status=0
  before=$(wc -l <"$results")
  QUILLMOR_WINE_ARCH="$arch" QUILLMOR_WINE_RIGHTS="$rights" WINEPREFIX="$prefix" WINEARCH="$arch" \
    xvfb-run -a -s "-screen 0 ${QUILLMOR_WINE_SCREEN:-800x600x24} -nolisten tcp -ac" "$0" --group "$@" || status=$?
  # A group that could not run, or ended before it recorded anything, is a failure.
  if [ "$status" -ne 0 ] || [ "$(wc -l <"$results")" -eq "$before" ]; then
    record "$1" run FAIL "the group ended with status $status after $(($(wc -l <"$results") - before)) cases"
  fi
  WINEPREFIX="$prefix" stop_wine "$arch"
  chmod -R u+w "$prefix"
  rm -rf "$prefix"
  echo "   $((SECONDS - start)) s"
}
