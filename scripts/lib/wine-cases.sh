# shellcheck shell=bash
# The cases of the tests under Wine, group by group (scripts/test-windows runs each group as
# group_NAME, with the helpers of wine.sh). A case is a function that prints why it failed.
# The helpers' variables ($root, $arch, $build, $wine, $program, $shot...) are wine.sh's.
# shellcheck disable=SC2154

# The colours the cases paint and look for, "r,g,b".
magenta=200,40,90 sky=40,160,220 yellow=230,200,30 green=20,200,20 blue=90,90,200
photo=0,160,0 silver=192,192,192 white=255,255,255 black=0,0,0
# The layouts, as Picdis names them.
declare -A layout=([tiled]=1 [default-size]=2 [full-screen]=3)
box_caption="Quillmor Screensaver"

# ---- The builds (run once, before the groups) ----

build_cases() {
  local arch kind
  for arch in win64 win32; do
    kind="$(file -b "$root/build-$arch/quillmor.scr" 2>&1)"
    if [[ "$kind" == "${format[$arch]}"* ]]; then
      record build quillmor.scr PASS
    else
      record build quillmor.scr FAIL "$kind"
    fi
    # The name the screen-saver list shows (string 1) and the FileDescription, both UTF-16, and
    # the manifest that makes it DPI-aware.
    if [ "$(strings -el "$root/build-$arch/quillmor.scr" 2>/dev/null | grep -c '^Quillmor Screensaver$')" -ge 2 ] &&
      grep -q 'PerMonitorV2' "$root/build-$arch/quillmor.scr" 2>/dev/null; then
      record build resources PASS
    else
      record build resources FAIL "no name, version or manifest in the resources"
    fi
  done
}

# ---- unit: one GoogleTest program, each of its cases counts ----

# One run of a GoogleTest program, ended after ten minutes: Wine's own audio thread now and then
# dies of a page fault during a play, and the program would then wait for it for good.
run_unit() {  # run_unit PROGRAM LOG [ARGUMENTS...]
  as_user timeout 600 "$wine" "$build/$1.exe" --gtest_color=no "${@:3}" >"$2" 2>&1
}

# The same, run once more when a thread of Wine's own died of a page fault during it.
run_unit_once_more_after_wine_faults() {  # ... PROGRAM LOG [ARGUMENTS...]
  local status=0
  run_unit "$@" || status=$?
  if [ "$status" != 0 ] && grep -q 'Unhandled page fault' "$2"; then
    echo "  $1: a thread of Wine's died ($(grep -m1 'Unhandled page fault' "$2" | tr -d '\r')); run once more"
    stop_wine
    status=0
    run_unit "$@" || status=$?
  fi
  return "$status"
}

group_unit() {  # group_unit PROGRAM
  local log="$QUILLMOR_WINE_WORK/$arch-$1.log" status=0
  run_unit_once_more_after_wine_faults "$1" "$log" || status=$?
  record_unit_log "$1" "$log" "$status"
}

# Records each case a GoogleTest program's log tells of, its name followed by SUFFIX, and shows
# the failures.
record_unit_log() {  # record_unit_log PROGRAM LOG STATUS [SUFFIX]
  local log="$2" status="$3" suffix="${4:-}"
  tr -d '\r' <"$log" >"$log.lf"
  # The soak's counts, for the report.
  sed -n 's/^soak /  soak /p' "$log.lf"
  local suite name
  while read -r suite name; do
    record "$suite" "$name$suffix" PASS
  done < <(sed -n 's/^\[       OK \] \([^.]*\)\.\([^ ]*\) .*/\1 \2/p' "$log.lf")
  while read -r suite name; do
    record "$suite" "$name$suffix" FAIL "see below"
  done < <(sed -n 's/^\[  FAILED  \] \([^.]*\)\.\([^ ]*\) (.*/\1 \2/p' "$log.lf")
  if [ "$status" != 0 ]; then
    grep -B2 -A12 'Failure$' "$log.lf" | head -n 80
    grep -q '^\[  FAILED  \]' "$log.lf" || record "$1" "run$suffix" FAIL "exit status $status"
  fi
}

# ---- scale: the windows at the desktop's display scales ----

# The standard user's display scale, which Wine reads as each program starts: the programs still
# running end first, and the prefix's wineserver with them.
set_log_pixels() {  # set_log_pixels DPI
  stop_wine
  as_user "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
    >/dev/null 2>&1 || return 1
  stop_wine
}

settled() { cmp -s "$1" "$1.last" || { cp "$1" "$1.last"; return 1; }; }  # settled FILE: as the last shot
# As the last shot but for a text caret's blink: a few dozen pixels at 200 %.
settled_but_a_caret() {  # settled_but_a_caret FILE
  local differing
  differing="$(compare -metric AE "$1" "$1.last" null: 2>&1)"
  [[ "$differing" =~ ^[0-9]+$ ]] && [ "$differing" -le 200 ] || { cp "$1" "$1.last"; return 1; }
}

# The settings dialog at 200 %, on a screen that holds it, with the desktop's own file-open
# dialog and warning box over it, then the more-software window and the about box (centred on
# the screen at twice their size), for the report.
settings_at_200() {
  prepare_dialog
  open_dialog
  [ "$width $height" = "1104 766" ] || fail "client area ${width}x$height at 200 %"
  drawn() {  # drawn FILE: the photograph is there and two shots in a row are alike
    dialog_colour "$1" 560 400 "$photo" 24 && settled "$1"
  }
  screen_shows 15 settings-200-screen "the dialog was not drawn" drawn
  convert "$shot" -crop "$((width + 80))x$((height + 80))+$((left - 40))+$((top - 40))" +repage \
    "$QUILLMOR_WINE_WORK/settings-200.png" && keep_shot "$QUILLMOR_WINE_WORK/settings-200.png" settings-200
  rm -f "$shots/settings-200-screen.png"
  click_in $((2 * (314 + 7 + 69))) $((2 * (32 + 21 + 8)))
  wait_until 15 window_shown Open || fail "no file-open dialog"
  screen_shows 10 open-200 "the file-open dialog did not settle" settled
  xdotool key Escape
  wait_until 10 no_window Open || fail "the file-open dialog stayed"
  click_in $((2 * (314 + 7 + 69))) $((2 * (32 + 42 + 8)))
  wait_until 10 window_shown Warning || fail "no warning before the removal"
  screen_shows 10 warning-200 "the warning did not settle" settled
  xdotool key Escape
  wait_until 10 no_window Warning || fail "the warning stayed"
  click_in $((2 * (463 + 37))) $((2 * (288 + 8)))
  wait_until 10 window_shown "More Software" || fail "no more-software window"
  screen_shows 10 more-software-200 "the more-software window did not settle" settled_but_a_caret
  xdotool key alt+F4
  wait_until 10 no_window "More Software" || fail "Alt+F4 left the more-software window"
  click_in $((2 * (464 + 37))) $((2 * (337 + 8)))
  wait_until 10 window_shown Quillmor || fail "no about box"
  screen_shows 10 about-200 "the about box did not settle" settled
  local about
  about="$(client_area Quillmor)"
  [ "$about" = "$(((1920 - 1028) / 2)) $(((1080 - 672) / 2)) 1028 672" ] || fail "about box at $about"
  read -r left top width height <<<"$about"
  click_in $((2 * (412 + 37))) $((2 * (300 + 12)))
  wait_until 10 no_window Quillmor || fail "Return left the about box"
  xdotool windowactivate --sync "$(window_id "$settings_caption")" 2>/dev/null
  xdotool key alt+F4
  wait_exit "$program" 10 || fail "Alt+F4 did not end it"
}

# The shared tests of the display scale at 100, 125, 150 and 200 %, each in a program started
# after the prefix's LogPixels was set; then the settings dialog at 200 % on the screen.
group_scale() {
  local dpi scale log status
  for dpi in 96 120 144 192; do
    scale=$(awk -v d="$dpi" 'BEGIN { print d / 96 }')
    set_log_pixels "$dpi" || { record scale "LogPixels $dpi" FAIL "reg add failed"; continue; }
    log="$QUILLMOR_WINE_WORK/$arch-scale-$dpi.log"
    status=0
    QUILLMOR_TEST_SCALE="$scale" run_unit_once_more_after_wine_faults quillmor_windows_tests \
      "$log" --gtest_filter='Scale.*:DisplayScale.*' || status=$?
    record_unit_log quillmor_windows_tests "$log" "$status" " ($((dpi * 100 / 96)) %)"
  done
  stop_wine
  remove_settings
  run_case scale SettingsDialogAt200Percent settings_at_200
  stop_wine
}

# ---- e2e and elevated: the screen saver as the desktop starts it ----

e2e_case() {  # e2e_case NAME FUNCTION: one case, from no settings file, in a prefix it leaves idle
  # QUILLMOR_WINE_ONLY=NAME runs that case alone, when working on it.
  [ -n "${QUILLMOR_WINE_ONLY:-}" ] && [ "$QUILLMOR_WINE_ONLY" != "$1" ] && return 0
  remove_settings
  run_case e2e "$1" "$2"
  stop_wine
}

# Every catalogue picture one colour, shown in one layout a second each, without sound.
show_pictures() {  # show_pictures WIDTH HEIGHT "r,g,b" LAYOUT
  install_pictures "$1" "$2" "$3"
  write_settings Sound=0 Picdis="${layout[$4]}" Time=1
}
small_tiles() { show_pictures 64 48 "$blue" tiled; }
start_to_the_error_box() {  # the display, with the error box over it, or the case fails
  start_program /s
  wait_until 20 window_shown "$box_caption" || fail "no error box"
}
return_closes_the_box() {  # return_closes_the_box REASON
  xdotool key Return
  wait_until 10 no_window "$box_caption" || fail "$1"
}

full_screen_one_picture() {
  show_pictures 320 200 "$magenta" full-screen
  start_display
  screen_shows 15 full-screen "no picture" colour_at 400 300 "$magenta" 24
  local x y
  for y in 0 150 299 450 599; do
    for x in 0 200 399 600 799; do
      colour_at "$shot" $x $y "$magenta" 24 || fail "($x,$y) is $(pixel "$shot" $x $y)"
    done
  done
}

default_size_centred() {
  show_pictures 320 240 "$sky" default-size
  start_display
  screen_shows 15 default-size "no picture" colour_at 400 300 "$sky" 24
  local left=240 top=180 p
  for p in "$left $top" "$((left + 319)) $((top + 239))"; do
    colour_at "$shot" $p "$sky" 24 || fail "picture corner ($p)"
  done
  for p in "$((left - 1)) $top" "$((left + 320)) $((top + 239))" "$left $((top + 240))" "0 0"; do
    colour_at "$shot" $p "$black" 8 || fail "not black at ($p)"
  done
}

tiled_first_tile() {
  show_pictures 64 48 "$yellow" tiled
  start_display
  screen_shows 15 tiled "no first tile" colour_at 200 150 "$yellow" 24
  # The tile is the top-left quarter; the black cross divides the quarters.
  colour_at "$shot" 0 0 "$yellow" 24 || fail "tile corner"
  colour_at "$shot" 399 299 "$yellow" 24 || fail "tile end"
  colour_at "$shot" 600 450 "$black" 8 || fail "other quarter not black"
}

white_outside_message() {  # white_outside_message FILE
  local p
  for p in "5 5" "400 500" "799 599" "700 100"; do
    colour_at "$1" $p "$white" 4 || return 1
  done
}
missing_picture_message() {
  install_pictures 200 150 "$green" "$(picture_names | sed -n 6p)"
  write_settings Sound=0 Picdis="${layout[full-screen]}" Time=1
  start_display
  screen_shows 15 missing-picture "not white" white_outside_message
  local dark
  dark=$(convert "$shot" -crop 469x106+60+223 -colorspace gray -threshold 40% -format '%[fx:int(w*h*(1-mean)+.5)]' info:)
  [ "$dark" -gt 200 ] || fail "no message text ($dark dark pixels)"
}

key_ends_it() {
  small_tiles
  local key
  for key in Escape a; do
    start_display
    key_ends "$key" "$key did not end it"
    # Wine may still be tearing the ended program down, and a display that finds another one
    # running ends at once: the next start waits for the prefix to be idle.
    stop_wine
  done
}

button_ends_it() {
  small_tiles
  start_display
  xdotool mousemove 100 100 click 4
  ! wait_exit "$program" 1 >/dev/null || fail "moving or the wheel ended it"
  xdotool mousedown 1
  wait_exit "$program" 5 || { xdotool mouseup 1; fail "the button did not end it"; }
  xdotool mouseup 1
}

second_display_ends_at_once() {
  small_tiles
  start_display
  local first=$program
  start_program /s
  wait_exit "$program" 10 || fail "the second one did not end (status $?)"
  ! exited "$first" || fail "the first one ended"
}

# What the display writes into a new file.
display_defaults() {
  options Sound=0 Color=2 Picdis=3 Time=1
  sound_slots
}

# The first start with no settings file anywhere: pictures on the screen, no error box, and the
# display's defaults in the user's copy (or, elevated, in the Windows folder, and no copy).
first_start_writes_the_users_settings() {
  install_pictures 320 200 "$magenta"
  start_display
  screen_shows 15 "first-start-${QUILLMOR_WINE_RIGHTS:-user}" "no picture" colour_at 400 300 "$magenta" 24
  ! window_shown "$box_caption" || fail "an error box is shown"
  cmp <(display_defaults) "$(users_settings)" || fail "settings file differs"
  if elevated; then
    [ ! -e "$(user_copy)" ] || fail "a user's copy appeared"
  else
    [ ! -e "$(settings_file)" ] || fail "a file appeared in the Windows folder"
  fi
}

# A wav of one second: Name1 plays at once, its end is notified, and samples reach ALSA.
sound_through_mci() {
  install_pictures 64 48 "$blue"
  square_wave "$(drive_c)/tone.wav"
  put_machine_file < <(options Sound=1 Picdis="${layout[tiled]}" Time=1; sound_slots 'C:\tone.wav')
  : >"$QUILLMOR_WINE_SOUND"
  start_display
  # 22050 samples of 2 bytes: ALSA's file plugin writes what MCI played (at the device's rate).
  sounded() { [ "$(stat -c %s "$QUILLMOR_WINE_SOUND")" -gt 40000 ]; }
  wait_until 15 sounded || fail "only $(stat -c %s "$QUILLMOR_WINE_SOUND") bytes of sound"
  local loud
  loud=$(od -An -v -tu1 -w1 "$QUILLMOR_WINE_SOUND" | awk '$1 != 0 && $1 != 128 { n++ } END { print n + 0 }')
  [ "$loud" -gt 1000 ] || fail "the output is silent"
  key_ends space "a key did not end it while it sounded"
}

# Neither the Windows folder nor the user's own folder takes the write: the error box comes (its
# text, which names the settings file as the program knows it, is the unit tests'), nothing is
# written, and a key still ends the display that stays black.
both_places_refused() {
  install_pictures 64 48 "$blue"
  mkdir -p "$(virtual_store)"
  chmod a-w "$(virtual_store)"
  start_to_the_error_box
  take_shot both-refused
  [ ! -e "$(user_copy)" ] && [ ! -e "$(settings_file)" ] || fail "a settings file was written"
  return_closes_the_box "the box stayed"
  wait_until 20 window_shown quilldorn || fail "no display window after the box"
  key_ends a "a key did not end the display"
}

# A picture that fails to decode brings the error box at the first tick; once OK closes it the
# screen where it stood is drawn again at once, and any key still ends the display.
black_where_the_box_was() {  # black_where_the_box_was FILE
  colour_at "$1" 400 300 "$black" 8 && colour_at "$1" 300 280 "$black" 8 && colour_at "$1" 500 320 "$black" 8
}
after_the_error_box() {
  install_pictures 64 48 "$blue"
  local name
  for name in $(picture_names); do : >"$(picture_folder)/$name"; done
  write_settings Sound=0 Picdis="${layout[full-screen]}" Time=4
  start_to_the_error_box
  take_shot error-box
  return_closes_the_box "OK did not close the box"
  screen_shows 5 after-box "the box's image stayed" black_where_the_box_was
  key_ends a "a key did not end the display after the box"
}

# The settings dialog: /c with its photograph behind the controls, over a machine-wide file with
# two sounds.
settings_caption="Quillmor Screensaver Settings"
stored_options=(Sound=1 Color=7 Picdis=0 Time=2)
# What the dialog shows of them, and OK stores.
shown_options=(Sound=1 Color=3 Picdis=3 Time=2)
dialog_file() { options "$@"; sound_slots 'C:\a.wav' 'C:\b.mid'; }  # dialog_file OPTION-LINES
prepare_dialog() {  # prepare_dialog [OPTION-LINES]: the stored options unless given
  [ $# -gt 0 ] || set -- "${stored_options[@]}"
  mkdir -p "$(picture_folder)"
  put_machine_file < <(dialog_file "$@")
  convert -size 200x100 "xc:rgb($photo)" -quality 100 "$(picture_folder)/juvinile.jpg"
}
# The dialog started; its client area in $left $top $width $height.
open_dialog() {
  start_program /c
  wait_until 20 window_shown "$settings_caption" || fail "no settings dialog"
  read -r left top width height < <(client_area "$settings_caption")
}
click_in() { click_at $((left + $1)) $((top + $2)); }  # click_in X Y: in the client area
dialog_pixel() { pixel "$1" $((left + $2)) $((top + $3)); }  # dialog_pixel FILE X Y
dialog_colour() { near "$(dialog_pixel "$1" "$2" "$3")" "$4" "$5"; }  # dialog_colour FILE X Y "r,g,b" TOLERANCE
# The buttons, each clicked inside.
click_ok() { click_in $((464 + 37)) $((361 + 8)); }
click_about() { click_in $((464 + 37)) $((337 + 8)); }
click_more_software() { click_in $((463 + 37)) $((288 + 8)); }
click_add_sound() { click_in $((314 + 7 + 69)) $((32 + 21 + 8)); }
click_remove_sound() { click_in $((314 + 7 + 69)) $((32 + 42 + 8)); }
press_ok() {
  click_ok
  wait_exit "$program" 10 || fail "OK did not end it"
}
# A user without elevation leaves the machine-wide file as it was; an elevated one gets no copy.
settings_where_they_belong() {
  if elevated; then
    [ ! -e "$(user_copy)" ] || fail "a user's copy appeared"
  else
    cmp <(dialog_file "${stored_options[@]}") "$(settings_file)" || fail "the machine-wide file changed"
  fi
}

dialog_layout_and_ok() {
  prepare_dialog
  open_dialog
  [ "$width $height" = "552 383" ] || fail "client area ${width}x$height"
  # The window is centred with its frame, which no window manager draws here: the client area
  # lies half a caption lower than the centre.
  [ "$left" = $(((800 - 552) / 2)) ] && [ "$top" -ge $(((600 - 383) / 2)) ] &&
    [ "$top" -le $(((600 - 383) / 2 + 20)) ] || fail "client area at $left,$top"
  # The photograph is centred in the window with its frame: a few pixels right of and below the
  # client area's centre.
  screen_shows 15 dialog "no photograph" dialog_colour 280 200 "$photo" 24
  dialog_colour "$shot" 5 150 "$silver" 2 || fail "not silver at 5,150: $(dialog_pixel "$shot" 5 150)"
  dialog_colour "$shot" 545 375 "$silver" 2 || fail "not silver at 545,375"
  dialog_colour "$shot" 300 239 "$photo" 24 || fail "no photograph at 300,239"
  dialog_colour "$shot" 174 200 "$silver" 2 || fail "photograph too wide"
  dialog_colour "$shot" 374 248 "$silver" 2 || fail "Panel3's face is not silver"
  dialog_colour "$shot" 160 112 "$white" 2 || fail "the list box is not white"
  press_ok
  cmp <(dialog_file "${shown_options[@]}") "$(users_settings)" || fail "OK stored other options"
  settings_where_they_belong
}

# The frame has a title bar and nothing in it (the desktop's hints offer no close and no menu);
# Alt+F4, which the desktop still sends, closes the dialog as OK does.
dialog_frame_and_alt_f4() {
  prepare_dialog
  open_dialog
  local id hints flags functions decorations
  id=$(window_id "$settings_caption")
  hints=$(xprop -id "$id" _MOTIF_WM_HINTS | sed -n 's/.*= //p')
  IFS=', ' read -r flags functions decorations _ <<<"$hints"
  [ -n "$functions" ] || fail "no window manager hints: $hints"
  # Wine offers every window's close to the window manager (Alt+F4 stays); the frame's menu,
  # minimise and maximise boxes follow the window's style.
  (((flags & 3) == 3 && (functions & 1) == 0 && (decorations & 1) == 0)) || fail "hints of another form: $hints"
  (((decorations & (16 | 32 | 64)) == 0)) || fail "the frame has a menu or boxes ($hints)"
  (((functions & (8 | 16)) == 0)) || fail "the frame can be minimised or maximised ($hints)"
  xdotool windowactivate --sync "$id" 2>/dev/null
  xdotool key alt+F4
  wait_exit "$program" 10 || fail "Alt+F4 did not end it"
  cmp <(dialog_file "${shown_options[@]}") "$(users_settings)" || fail "Alt+F4 stored other options"
}

# A machine-wide file an administrator put there: read as it is (tiled), and the user's first
# change, OK in the dialog, goes into the user's copy with the rest of the file.
machine_wide_file_until_the_first_change() {
  install_pictures 64 48 "$yellow"
  prepare_dialog "${stored_options[@]/Picdis=0/Picdis=${layout[tiled]}}"
  cp "$(settings_file)" "$QUILLMOR_WINE_WORK/machine.ini"
  start_display
  # The dialog's photograph is one of the catalogue's pictures too: either may come.
  first_tile() {
    { colour_at "$1" 200 150 "$yellow" 24 || colour_at "$1" 200 150 "$photo" 24; } &&
      colour_at "$1" 600 450 "$black" 8
  }
  screen_shows 15 machine-wide "not tiled" first_tile
  [ ! -e "$(user_copy)" ] || fail "the display made a user's copy"
  key_ends space "a key did not end it"
  stop_wine
  open_dialog
  press_ok
  cmp <(dialog_file Sound=1 Color=3 Picdis="${layout[tiled]}" Time=2) "$(user_copy)" ||
    fail "the user's copy does not hold the options and the slots"
  cmp "$QUILLMOR_WINE_WORK/machine.ini" "$(settings_file)" || fail "the machine-wide file changed"
}

# The more-software window drawn (its first memo white, its first button's face not the black of
# a window still to be drawn) and the screen settled: two shots in a row alike.
more_software_drawn() {  # more_software_drawn FILE
  colour_at "$1" 300 240 "255,255,255" 8 && ! colour_at "$1" 420 138 "0,0,0" 40 &&
    cmp -s "$1" "$1.last" || { cp "$1" "$1.last"; return 1; }
}

about_and_more_software() {
  prepare_dialog
  open_dialog
  click_more_software
  wait_until 10 window_shown "More Software" || fail "no more-software window"
  screen_shows 10 more-software "the more-software window was not drawn" more_software_drawn
  # The system menu's close, as the frame's close box gives it.
  xdotool key alt+F4
  wait_until 10 no_window "More Software" || fail "Alt+F4 left the more-software window"
  click_about
  wait_until 10 window_shown Quillmor || fail "no about box"
  local about
  about="$(client_area Quillmor)"
  [ "$about" = "$(((800 - 514) / 2)) $(((600 - 336) / 2)) 514 336" ] || fail "about box at $about"
  take_shot about
  # Its OK, in the box's own client area.
  read -r left top width height <<<"$about"
  click_in $((412 + 37)) $((300 + 12))
  wait_until 10 no_window Quillmor || fail "Return left the about box"
}

# Add Sound File through the desktop's own file-open dialog: the chosen file takes the first
# free slot at once; Remove Sound File empties the slot at once. Both land in the user's copy.
slot() { sed -n "s/^Name$1=//p" "$(users_settings)" 2>/dev/null | tr -d '\r'; }  # slot N
slot_begins() { [[ "$(slot "$1")" == "$2"* ]]; }  # slot_begins N TEXT
add_and_remove_sounds_through_the_dialog() {
  prepare_dialog
  square_wave "$(drive_c)/tone.wav"
  open_dialog
  click_add_sound
  wait_until 15 window_shown Open || fail "no file-open dialog"
  xdotool type --delay 20 'C:\tone.wav'
  xdotool key Return
  wait_until 10 no_window Open || fail "the file-open dialog stayed"
  wait_until 5 slot_begins 3 'C:\tone.wav' || fail "slot 3 is $(slot 3)"
  # Remove Sound File takes the highlighted first entry, after the warning's OK.
  click_remove_sound
  wait_until 10 window_shown Warning || fail "no warning before the removal"
  xdotool key Return
  wait_until 5 slot_begins 1 Null || fail "slot 1 is $(slot 1)"
  press_ok
  settings_where_they_belong
}

group_e2e() {
  e2e_case FullScreenCoversTheScreenWithOnePicture full_screen_one_picture
  e2e_case DefaultSizeCentresThePicture default_size_centred
  e2e_case TiledFirstTickFillsTheTopLeftTile tiled_first_tile
  e2e_case AMissingPictureLeavesAWhiteScreenWithTheMessage missing_picture_message
  e2e_case AKeyEndsIt key_ends_it
  e2e_case AButtonEndsItButMovingDoesNot button_ends_it
  e2e_case ASecondDisplayEndsAtOnce second_display_ends_at_once
  e2e_case TheFirstStartWritesTheDefaultsIntoTheUsersCopy first_start_writes_the_users_settings
  e2e_case AMachineWideFileIsReadUntilTheUsersFirstChange machine_wide_file_until_the_first_change
  e2e_case WhenBothPlacesRefuseTheBoxNamesTheSettingsFile both_places_refused
  e2e_case AfterTheErrorBoxTheScreenIsRedrawnAndAKeyEndsIt after_the_error_box
  e2e_case ASoundPlaysThroughMci sound_through_mci
  e2e_case TheSettingsDialogsLayoutAndOkStoringTheOptions dialog_layout_and_ok
  e2e_case TheDialogsFrameHasNoMenuAndAltF4StoresAsOkDoes dialog_frame_and_alt_f4
  e2e_case TheAboutBoxAndTheMoreSoftwareWindow about_and_more_software
  e2e_case AddingAndRemovingSoundsLandInTheUsersCopy add_and_remove_sounds_through_the_dialog
}

# A user whose writes the Windows folder takes: the file is written there, no copy appears.
group_elevated() {
  e2e_case TheFirstStartWritesTheWindowsFolder first_start_writes_the_users_settings
  e2e_case OkStoresTheOptionsInTheWindowsFolder dialog_layout_and_ok
  e2e_case TheDialogsSoundsLandInTheWindowsFolder add_and_remove_sounds_through_the_dialog
}

# ---- installer: the setup, the installed screen saver, the uninstaller, one after the other ----

setup="$root/build-setup/quillmor-setup.exe"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmor'

# A value of the uninstall entry in the native registry view ("" when there is none).
uninstall_value() {  # uninstall_value NAME
  as_user "$wine" reg query "$uninstall_key" /v "$1" 2>/dev/null | tr -d '\r' |
    awk -v n="$1" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
}

program_folder() { printf '%s/Program Files/Quillmor' "$(drive_c)"; }
installed_files() {
  [ -f "$(system32)/quillmor.scr" ] || return 1
  [ "$(picture_count)" -eq 38 ] || return 1
  cmp -s "$build/quillmor-pictures.exe" "$(program_folder)/quillmor-pictures.exe" || return 1
  [ "$(find "$(program_folder)/Bundled pictures" -maxdepth 1 -name '*.jpg' | wc -l)" -eq 38 ] || return 1
  [ -f "$(drive_c)/ProgramData/Microsoft/Windows/Start Menu/Programs/Quillmor Pictures.lnk" ]
}

# The one setup runs elevated: the system folders are writable to it. It puts the screen saver
# that fits this Windows into its native system folder, and lists it in the native registry.
install_silently() {
  # Every Wine command's output goes elsewhere: a wineserver it starts would hold the pipe that
  # collects the case's reasons.
  as_user "$wine" "$setup" /S >/dev/null 2>&1 || fail "setup failed ($?)"
  as_user "$wineserver" -w
  installed_files || fail "files missing after setup"
  cmp "$build/quillmor.scr" "$(system32)/quillmor.scr" || fail "not the ${arch_name[$arch]} screen saver"
  [ ! -e "$(syswow64)/quillmor.scr" ] || fail "a screen saver in SysWOW64 too"
  [ -n "$(uninstall_value UninstallString)" ] || fail "not listed among the installed programs"
  local icon
  icon="$(uninstall_value DisplayIcon)"
  [ "${icon,,}" = 'c:\windows\system32\quillmor.scr' ] || fail "the entry's icon names $icon"
  if [ "$arch" = win64 ]; then
    ! as_user "$wine" reg query 'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Quillmor' \
      >/dev/null 2>&1 || fail "listed in the 32-bit registry view"
  fi
  mkdir -p "$shots"
  {
    echo "${arch_name[$arch]} prefix (WINEARCH=$arch), after quillmor-setup.exe /S:"
    echo "  system32/quillmor.scr: $(cmp -s "$build/quillmor.scr" "$(system32)/quillmor.scr" && echo "the ${arch_name[$arch]} build")"
    echo "  syswow64/quillmor.scr: $([ -e "$(syswow64)/quillmor.scr" ] && echo present || echo none)"
    echo "  pictures: $(picture_count) in C:\\Tavrin\\Quillmor"
    echo "  C:\\Program Files\\Quillmor: quillmor-pictures.exe (the ${arch_name[$arch]} build), Bundled pictures, uninstall.exe"
    echo "  Start menu: Quillmor Pictures"
    echo "  registry: $uninstall_key (native view), DisplayIcon $icon"
  } >"$shots/placement.txt"
}

# The installed screen saver runs as a user without elevation: its settings go to the user's copy.
installed_saver_starts() {
  take_rights "$WINEPREFIX"
  # shellcheck disable=SC2034  # the screen saver start_program starts
  local scr='C:\windows\system32\quillmor.scr'
  start_display
  wait_until 10 test -s "$(user_copy)" || fail "no settings in the user's copy"
  [ ! -e "$(settings_file)" ] || fail "a settings file in the Windows folder"
  key_ends space "a key did not end it"
}

# The uninstaller runs elevated again, and keeps the user's settings.
uninstall_silently() {
  give_rights "$WINEPREFIX"
  as_user "$wine" 'C:\Program Files\Quillmor\uninstall.exe' /S >/dev/null 2>&1 || fail "uninstall failed ($?)"
  as_user "$wineserver" -w
  [ ! -e "$(system32)/quillmor.scr" ] || fail "quillmor.scr is left"
  [ ! -e "$(picture_folder)" ] || fail "pictures are left: $(ls "$(picture_folder)")"
  [ ! -e "$(program_folder)" ] || fail "the program folder is left: $(ls "$(program_folder)")"
  [ -f "$(user_copy)" ] || fail "the user's settings went too"
  ! as_user "$wine" reg query "$uninstall_key" >/dev/null 2>&1 || fail "still listed among the installed programs"
  echo "  after uninstall.exe /S: no quillmor.scr, no picture folder, no entry; the user's settings kept" \
    >>"$shots/placement.txt"
}

group_installer() {
  local name
  for name in install_silently installed_saver_starts uninstall_silently; do
    run_case installer "$name" "$name" || break
  done
  # Whatever a case left running ends with the prefix's wineserver.
  stop_wine
}

# ---- pictures: quillmor-pictures.exe as a user without elevation ----

pictures_exe='C:\Program Files\Quillmor\quillmor-pictures.exe'
# A name beyond ASCII: arguments and the summary are UTF-8.
photos_folder() { printf '%s/users/%s/Pictures/Reise Überlingen' "$(drive_c)" "$wine_user"; }
photos_path="C:\\users\\$wine_user\\Pictures\\Reise Überlingen"

# What the setup leaves: the program and the bundled set where only an administrator writes, and
# the picture folder, which the desktop's users may change.
place_pictures_program() {
  give_rights "$WINEPREFIX"
  mkdir -p "$(program_folder)/Bundled pictures" "$(picture_folder)"
  cp "$build/quillmor-pictures.exe" "$(program_folder)/"
  cp "$QUILLMOR_WINE_PICTURES"/*.jpg "$(program_folder)/Bundled pictures/"
  cp "$QUILLMOR_WINE_PICTURES"/*.jpg "$(picture_folder)/"
  if [ "$(id -u)" -eq 0 ]; then chown -R "$wine_user:" "$(program_folder)" "$(picture_folder)"; fi
  take_rights "$WINEPREFIX"
}

# Bytes spliced into a JPEG after its JFIF header: an EXIF block whose orientation is 6, "turn
# clockwise to view".
tag_orientation_6() {  # tag_orientation_6 IN OUT
  perl -e '
    local $/; open my $in, "<:raw", $ARGV[0] or die; my $j = <$in>;
    my $tiff = "MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0";
    my $app1 = "\xff\xe1" . pack("n", 8 + length $tiff) . "Exif\0\0" . $tiff;
    my $end = 4 + unpack("n", substr($j, 4, 2));
    open my $out, ">:raw", $ARGV[1] or die; print $out substr($j, 0, $end), $app1, substr($j, $end);' "$1" "$2"
}

# JPEGs of three shapes, one stored on its side and tagged to be turned, a PNG whose lower half is
# transparent, a cut-off JPEG and a text file named .jpg.
make_photos() {
  local folder
  folder="$(photos_folder)"
  mkdir -p "$folder"
  convert -size 1600x1200 "xc:rgb(0,160,0)" -quality 92 "$folder/a-landscape.jpg"
  convert -size 3000x1000 "xc:rgb(255,255,0)" -quality 92 "$folder/b-wide.jpg"
  convert -size 150x200 xc:red -size 150x200 xc:blue +append -quality 95 "$QUILLMOR_WINE_WORK/side.jpg"
  tag_orientation_6 "$QUILLMOR_WINE_WORK/side.jpg" "$folder/c-turned.jpg"
  convert -size 400x150 xc:white -size 400x150 xc:none -append "PNG32:$folder/d-half-clear.png"
  convert -size 1200x900 plasma:fractal -quality 90 "$QUILLMOR_WINE_WORK/whole.jpg"
  head -c $(($(stat -c %s "$QUILLMOR_WINE_WORK/whole.jpg") * 6 / 10)) "$QUILLMOR_WINE_WORK/whole.jpg" >"$folder/e-cut-off.jpg"
  echo "the photos of the trip are on the camera" >"$folder/f-notes.jpg"
  if [ "$(id -u)" -eq 0 ]; then chown -R "$wine_user:" "$(drive_c)/users/$wine_user/Pictures"; fi
}

run_pictures() {  # run_pictures ARGUMENTS...: the command's exit status; its output in $out, $err
  out="$QUILLMOR_WINE_WORK/pictures.out" err="$QUILLMOR_WINE_WORK/pictures.err"
  LC_ALL=C.UTF-8 as_user "$wine" "$pictures_exe" "$@" >"$out" 2>"$err"
}
size_of() { identify -format '%w %h' "$1" 2>/dev/null; }  # size_of FILE: "width height"

import_photos_as_the_user() {
  place_pictures_program
  make_photos
  run_pictures import "$photos_path"
  local status=$?
  [ "$status" -eq 0 ] || fail "import ended with $status: $(cat "$out" "$err")"
  grep -qF "Wrote 38 pictures to C:\\Tavrin\\Quillmor from 4 of 6 photos, fitted to the primary screen's 1920x1080 pixels." "$out" ||
    fail "the summary says: $(cat "$out")"
  grep -qF "Skipped (2):" "$err" || fail "the skipped list says: $(cat "$err")"
  grep -qF "$photos_path\\e-cut-off.jpg: the file is cut short: the end of the picture is missing" "$err" ||
    fail "no reason for the cut-off JPEG: $(cat "$err")"
  grep -qE "f-notes.jpg: .+" "$err" || fail "no reason for the text file: $(cat "$err")"
  local file sizes=""
  for file in "$(picture_folder)"/*.jpg; do sizes+="$(size_of "$file")"$'\n'; done
  local counts
  counts="$(printf '%s' "$sizes" | sort | uniq -c | awk '{ printf "%s:%sx%s ", $1, $2, $3 }')"
  # Four photos in turn over 38 names: the landscape fitted, the wide one fitted, the turned one
  # upright, the PNG as it is.
  [ "$counts" = "10:1440x1080 10:1920x640 9:200x300 9:400x300 " ] || fail "the 38 pictures' sizes: $counts"
  for file in "$(picture_folder)"/*.jpg; do
    case "$(size_of "$file")" in
      "200 300")
        colour_at "$file" 100 40 "255,0,0" 40 && colour_at "$file" 100 260 "0,0,255" 40 ||
          fail "the turned photo is not upright with red on top: $file"
        convert "$file" "$QUILLMOR_WINE_WORK/turned.png" && keep_shot "$QUILLMOR_WINE_WORK/turned.png" turned-photo ;;
      "400 300")
        colour_at "$file" 200 40 "255,255,255" 12 && colour_at "$file" 200 260 "0,0,0" 12 ||
          fail "the PNG's clear half is not black: $file" ;;
    esac
  done
  printf 'quillmor-pictures.exe import %s\n%s\n%s\n' "$photos_path" "$(cat "$err")" "$(cat "$out")" >"$shots/pictures-import.txt"
}

restore_puts_back_the_bundled_set() {
  run_pictures restore
  local status=$? name
  [ "$status" -eq 0 ] || fail "restore ended with $status: $(cat "$out" "$err")"
  grep -qF 'Restored 38 bundled pictures in C:\Tavrin\Quillmor.' "$out" || fail "restore says: $(cat "$out")"
  for name in $(picture_names); do
    cmp -s "$QUILLMOR_WINE_PICTURES/$name" "$(picture_folder)/$name" || fail "$name is not the bundled one"
  done
  no_temporaries || fail "temporary files are left"
}

# 38 photos of 12 megapixels, copies of one: the time the command takes for them.
twelve_megapixel_folder() { printf '%s/photos12' "$QUILLMOR_WINE_WORK"; }
make_twelve_megapixel_photos() {
  local folder i
  folder="$(twelve_megapixel_folder)"
  [ -d "$folder" ] && return 0
  mkdir -p "$folder"
  convert -size 800x600 plasma:fractal -resize '4000x3000!' -attenuate 0.4 +noise Gaussian -quality 92 "$folder/IMG_01.jpg"
  for i in $(seq -w 2 38); do cp "$folder/IMG_01.jpg" "$folder/IMG_$i.jpg"; done
  chmod -R a+rX "$folder"
}

import_of_twelve_megapixel_photos() {
  make_twelve_megapixel_photos
  local start=$SECONDS status
  run_pictures import "Z:$(twelve_megapixel_folder | tr / '\\')"
  status=$?
  [ "$status" -eq 0 ] || fail "import ended with $status: $(cat "$out" "$err")"
  echo "${arch_name[$arch]}: 38 photos of 4000x3000 imported in $((SECONDS - start)) s: $(cat "$out")" >"$shots/import-timing.txt"
}

no_temporaries() { [ -z "$(find "$(picture_folder)" -name '.*')" ]; }
# The progress bar filled at its left end and not yet at its right.
bar_part_way() {  # bar_part_way FILE
  ! colour_at "$1" $((left + 16)) $((top + 107)) "255,255,255" 60 &&
    colour_at "$1" $((left + 464)) $((top + 107)) "255,255,255" 10
}
all_written_since() { [ -z "$(find "$(picture_folder)" -name '*.jpg' ! -newer "$1")" ]; }  # all_written_since FILE

# The window: the folder chosen in the desktop's picker, the bar moving, then the summary.
window_after_an_import() {
  make_twelve_megapixel_photos
  as_user "$wine" "$pictures_exe" >/dev/null 2>&1 &
  program=$!
  wait_until 20 window_shown "Quillmor Pictures" || fail "no window"
  local left top width height
  read -r left top width height <<<"$(client_area "Quillmor Pictures")"
  click_at $((left + 87)) $((top + 74))
  wait_until 20 window_shown "Choose a folder of photos" || fail "no folder picker"
  screen_shows 20 pictures-picker "the folder picker never settled" settled
  # The picker's name field, along its foot.
  read -r left top width height <<<"$(client_area "Choose a folder of photos")"
  click_at $((left + width - 200)) $((top + height - 41))
  xdotool type --delay 30 "Z:$(twelve_megapixel_folder | tr / '\\')"
  # Its Open button, below the field's right end.
  click_at $((left + width - 100)) $((top + height - 16))
  wait_until 20 no_window "Choose a folder of photos" || fail "the folder picker stayed"
  wait_until 20 window_shown "Quillmor Pictures" || fail "the window went"
  local stamp="$QUILLMOR_WINE_WORK/before-the-window"
  touch "$stamp"
  read -r left top width height <<<"$(client_area "Quillmor Pictures")"
  screen_shows 60 pictures-window-working "the bar never stood part way" bar_part_way
  wait_until 180 all_written_since "$stamp" || fail "not every picture was written"
  wait_until 20 no_temporaries || fail "temporary files are left"
  screen_shows 20 pictures-window-after-import "the window never settled" settled
  click_at $((left + 430)) $((top + 314))
  wait_exit "$program" 10 || fail "Close did not end it"
}

group_pictures() {
  place_pictures_program
  run_case pictures ImportsAFolderOfMixedFilesAsAUserWithoutElevation import_photos_as_the_user
  run_case pictures RestorePutsBackTheBundledSetByteForByte restore_puts_back_the_bundled_set
  run_case pictures ImportsThirtyEightPhotosOfTwelveMegapixels import_of_twelve_megapixel_photos
  run_case pictures TheWindowImportsTheFolderChosenInThePicker window_after_an_import
  stop_wine
}
