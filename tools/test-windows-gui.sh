#!/usr/bin/env bash
# End-to-end test of the Windows program under Wine, driven as a user drives it
# with the mouse and the keyboard on an X display (Xvfb): the conversion of a
# folder of an older release, every maintenance command reached from the
# dialog's system menu, the dialog answering and showing how far it has got
# while it converts a large folder, and the working folder when started from
# C:, A: and D:.
#
#   tools/test-windows-gui.sh [--exe PROGRAM] [--out NAME] [--clients N] BUILD_DIR FOLDER [CONSOLE_PROGRAM]
#
#   --exe PROGRAM    the program to test, instead of BUILD_DIR/lanvo303.exe
#                    (the one unpacked from the release package)
#   --out NAME       the output folder in BUILD_DIR, instead of gui-test
#   --clients N      the clients of the large folder (default 400000; 0 leaves
#                    that test out); it needs CONSOLE_PROGRAM and the sample
#                    tool lanvo-sample beside it
#   BUILD_DIR        the Windows build (lanvo303.exe, tests/lanvo-probe.exe)
#   FOLDER           a data folder of an older release; it becomes C:\Vamk\Lanvo
#   CONSOLE_PROGRAM  the console program of this tree, when there is one: it
#                    converts the same folder, which must come out byte for
#                    byte the same, with the same messages
#
# Needs $DISPLAY. The screenshots, the messages and the folders go to
# BUILD_DIR/gui-test/ (or NAME). Ends with "N passed, M failed" and exits 1 on a failure.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
exe=""
out_name=gui-test
large_clients=400000
while [ $# -gt 0 ]; do
  case $1 in
    --exe) exe=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift 2 ;;
    --out) out_name=$2; shift 2 ;;
    --clients) large_clients=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -ge 2 ] || { sed -n '2,24p' "$0" >&2; exit 2; }
build=$(cd "$1" && pwd)
folder=$(cd "$2" && pwd)
console=${3:-}
[ -n "${DISPLAY:-}" ] || { echo "test-windows-gui: no X display (DISPLAY)" >&2; exit 2; }

out=$build/$out_name
rm -rf "$out"
mkdir -p "$out"
export WINEPREFIX=$build/wine-gui WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
"$top/tools/wine-prefix.sh" "$WINEPREFIX" x11
# Whatever happens, no program of this test outlives it.
trap 'wineserver -k 2> /dev/null || true' EXIT
[ -n "$exe" ] || exe=$build/lanvo303.exe
[ -f "$exe" ] || { echo "test-windows-gui: no program $exe" >&2; exit 2; }
probe_exe=$build/tests/lanvo-probe.exe
stopwatch_exe=$build/tests/lanvo-dialog-probe.exe
drive_c=$WINEPREFIX/drive_c
drive_a=$WINEPREFIX/drive_a
drive_d=$WINEPREFIX/drive_d
data=$drive_c/Vamk/Lanvo

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "  ok: $*"; }
fail() {
  failed=$((failed + 1))
  echo "  FAILED: $*" >&2
  xwd -root -silent | python3 "$top/tools/xwd2png.py" "$out/failure-$failed.png" || true
  cp "$out/probe.txt" "$out/failure-$failed.txt" 2>/dev/null || true
}
check() {  # what got want
  if [ "$2" == "$3" ]; then pass "$1"; else fail "$1: [$2], expected [$3]"; fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit $?
}

# ---------------------------------------------------------------------------
# What the program shows, read by the probe: W lines for the windows, I lines
# for their items (tab-separated; see tests/win32/helpers/probe.cpp).

probe() { wine "$probe_exe" 2> /dev/null | tr -d '\r' > "$out/probe.txt" || true; }

# The dialog of that title that holds an item with that text.
find_dialog() {
  awk -F'\t' -v title="$1" -v text="$2" '
    $1 == "W" && $3 == "#32770" && $4 == title { w[$2] = 1 }
    $1 == "I" && ($2 in w) && $5 == text { print $2; exit }' "$out/probe.txt"
}

# A message box: a dialog with the message's text item (id 65535).
find_box() {
  awk -F'\t' '
    $1 == "W" && $3 == "#32770" { w[$2] = 1 }
    $1 == "I" && ($2 in w) && $3 == "65535" { print $2; exit }' "$out/probe.txt"
}

wait_for() {  # finder args... ; prints the handle, empty after 30 s
  local handle
  for _ in $(seq 1 100); do
    probe
    handle=$("$@")
    if [ -n "$handle" ]; then
      echo "$handle"
      return
    fi
    sleep 0.3
  done
}

item() {  # window id field (5 text, 6 x, 7 y)
  awk -F'\t' -v w="$1" -v id="$2" -v f="$3" '$1 == "I" && $2 == w && $3 == id { print $f; exit }' "$out/probe.txt"
}
title() { awk -F'\t' -v w="$1" '$1 == "W" && $2 == w { print $4; exit }' "$out/probe.txt"; }
rect() { awk -F'\t' -v w="$1" '$1 == "W" && $2 == w { print $5, $6, $7, $8; exit }' "$out/probe.txt"; }

click() {  # window id
  xdotool mousemove "$(item "$1" "$2" 6)" "$(item "$1" "$2" 7)" click 1
  sleep 0.2
}

type_into() {  # window id text
  click "$1" "$2"
  xdotool type --delay 60 "$3"
}

shot() {  # name window
  local l t r b
  read -r l t r b < <(rect "$2")
  xwd -root -silent | python3 "$top/tools/xwd2png.py" "$out/$1.png" $((l - 10)) $((t - 10)) $((r + 10)) $((b + 10))
}

# Opens the system menu by the caption and takes the item that many places
# above its end.
find_menu() { awk -F'\t' '$1 == "W" && $3 == "#32768" { print $2; exit }' "$out/probe.txt"; }
system_menu() {  # window places
  local l t r b
  read -r l t r b < <(rect "$1")
  for _ in 1 2 3; do
    xdotool mousemove $(((l + r) / 2)) $((t + 10)) click 3
    [ -n "$(wait_for find_menu)" ] && break
  done
  for _ in $(seq 1 "$2"); do xdotool key Up; done
  xdotool key Return
}

# Waits for a message box, notes "[caption] text" in messages.txt, presses
# OK and prints the text.
answer_box() {
  local box text
  box=$(wait_for find_box)
  if [ -z "$box" ]; then
    echo "(no message box)"
    return
  fi
  text=$(item "$box" 65535 5)
  printf '[%s] %b\n' "$(title "$box")" "$text" >> "$out/messages.txt"
  [ -n "${1:-}" ] && shot "$1" "$box"
  click "$box" 1
  echo "$text"
}

start_program() {  # folder to start in
  rm -f "$out/exit-code"
  (cd "$1" && wine "$exe"; echo $? > "$out/exit-code") > /dev/null 2>&1 &
}

wait_program_end() {
  for _ in $(seq 1 100); do
    [ -s "$out/exit-code" ] && break
    sleep 0.2
  done
  check "exit code of lanvo303.exe" "$(cat "$out/exit-code" 2> /dev/null || echo 'still running')" 0
}

# Starts the program and finds its dialog, captioned with the main window's
# title, in $dialog (empty when it did not come), and checks its folder.
open_dialog() {  # start folder, folder the dialog must show
  start_program "$1"
  dialog=$(wait_for find_dialog "Lanvo 3.03" "Pasta:")
  if [ -z "$dialog" ]; then
    fail "no dialog \"Lanvo 3.03\" when started in $1"
    return
  fi
  check "folder shown when started in ${1#"$WINEPREFIX"/}" "$(item "$dialog" 150 5)" "$2"
}

# Presses "&Fechar" and waits for the program to end.
close_dialog() {
  if [ -n "$dialog" ]; then click "$dialog" 2; fi
  wait_program_end
}

# Counts of the client file, in Python: records of 1000 characters.
clients() {  # what ... ; see the cases below
  python3 - "$@" << 'EOF'
import sys
what, path = sys.argv[1], sys.argv[2]
try:
    data = open(path, "rb").read()
except OSError:
    data = b""
records = [data[i:i + 1000] for i in range(0, len(data) - 999, 1000)]
def fold(b):
    return bytes(c - 32 if 97 <= c <= 122 else c for c in b)
if what == "group-of-first":
    print(records[0][232:235].decode("latin-1").rstrip() if records else "1")
elif what == "starting-with":  # the export's match: the typed length only
    g = fold(sys.argv[3].encode("latin-1"))
    print(sum(1 for r in records if fold(r[232:232 + len(g)]) == g))
elif what == "exactly":  # the change of group's match: padded to 3
    g = fold(sys.argv[3].encode("latin-1").ljust(3))
    print(sum(1 for r in records if fold(r[232:235]) == g))
elif what == "cpf-of-first":
    cpf = records[0][250:268].decode("latin-1") if records else ""
    print(cpf if cpf[:1].isdigit() else "123.456.789-00".ljust(18))
elif what == "with-cpf":
    cpf = fold(sys.argv[3].encode("latin-1"))
    print(sum(1 for r in records if fold(r[250:268]) == cpf))
elif what == "count":
    print(len(records))
EOF
}

# ---------------------------------------------------------------------------
echo "== lanvo303.exe under Wine on $DISPLAY, folder $folder"
rm -rf "$drive_c/Vamk" "$drive_c"/users/*/Temp/Vamk
find "$drive_a" "$drive_d" -mindepth 1 -delete
mkdir -p "$drive_c/Vamk"
cp -a "$folder" "$data"
: > "$out/messages.txt"

echo "-- started from C:\\: the conversion"
open_dialog "$drive_c" 'C:\Vamk\Lanvo'
if [ -n "$dialog" ]; then
  shot lanvo303-dialog "$dialog"
  click "$dialog" 300
  text=""
  for _ in $(seq 1 10); do
    text=$(answer_box lanvo303-converted)
    [ "$text" == "A conversão foi realizada." ] || [ "$text" == "(no message box)" ] && break
  done
  check "closing message of the conversion" "$text" "A conversão foi realizada."
  probe
  check "status line emptied at the end" "$(item "$dialog" 100 5)" ""
  cp -a "$data" "$out/converted"
  if grep -q $'^219\r$' "$data/CONV.DAT" 2> /dev/null; then pass "CONV.DAT logs the registration fix"; else
    fail "CONV.DAT has no line 219"; fi

  echo "-- the conversion once more: it changes nothing"
  gui_temp=$(echo "$drive_c"/users/*/Temp)
  mkdir -p "$gui_temp/Vamk"
  cp -a "$gui_temp/Vamk" "$out/converted-temp"
  click "$dialog" 300
  check "closing message of the second conversion" "$(answer_box)" "A conversão foi realizada."
  if diff -r "$out/converted" "$data" > "$out/second-run.diff" &&
     diff -r "$out/converted-temp" "$gui_temp/Vamk" >> "$out/second-run.diff"; then
    pass "second conversion left the folders as they were"; else
    fail "second conversion changed the folders (second-run.diff)"; fi

  echo "-- the maintenance commands, from the system menu"
  group=$(clients group-of-first "$data/F10R2.DAT")
  [ -n "$group" ] || group=1
  exported=$(clients starting-with "$data/F10R2.DAT" "$group")
  system_menu "$dialog" 3
  box=$(wait_for find_dialog "Lanvo 3.03" "Grupo:")
  if [ -z "$box" ]; then fail "the export and import dialog did not open"; else
    shot lanvo303-export-import "$box"
    type_into "$box" 100 "$group"
    click "$box" 310
    check "export of group [$group]" "$(answer_box)" "Foram exportados $exported clientes."
    check "diskette file A:\\F10R2.BAK" "$(stat -c %s "$drive_a/F10R2.BAK" 2> /dev/null || echo none)" \
      $((exported * 1000))
    before=$(clients count "$data/F10R2.DAT")
    click "$box" 311
    check "import into group [$group]" "$(answer_box)" "Foram importados $exported clientes."
    check "client records after the import" "$(clients count "$data/F10R2.DAT")" $((before + exported))
    click "$box" 2
  fi

  changed=$(clients exactly "$data/F10R2.DAT" "$group")
  system_menu "$dialog" 2
  box=$(wait_for find_dialog "Lanvo 3.03" "Grupo atual:")
  if [ -z "$box" ]; then fail "the change of group dialog did not open"; else
    type_into "$box" 110 "$group"
    type_into "$box" 111 "7"
    click "$box" 312  # field 111 loses the focus: 7 becomes 007
    probe
    check "new group as a code" "$(item "$box" 111 5)" "007"
    check "change of group [$group] to 007" "$(answer_box)" "O grupo foi alterado em $changed clientes."
    check "clients left in group [$group]" "$(clients exactly "$data/F10R2.DAT" "$group")" \
      "$([ "$group" == 007 ] && echo "$changed" || echo 0)"
    click "$box" 2
  fi

  # Two members: one in good standing (a date still to come, no arrears) and
  # one excluded by its status.
  cpf=$(clients cpf-of-first "$data/F10R2.DAT")
  mkdir -p "$drive_c/Vamk/Rud"
  python3 - "$drive_c/Vamk/Rud/F10R4.DAT" "$cpf" << 'EOF'
import sys
def member(status, cpf, date, count):
    r = bytearray(b" " * 1000)
    r[239:240] = status.encode()
    r[250:268] = cpf.encode("latin-1").ljust(18)[:18]
    r[502:512] = date.encode()
    r[815:818] = count.encode().ljust(3)
    return bytes(r)
open(sys.argv[1], "wb").write(member(" ", sys.argv[2], "31/12/2999", "0") +
                              member("1", "987.654.321-00", "31/12/2999", "0"))
EOF
  records=$(clients count "$data/F10R2.DAT")
  up_to_date=$(clients with-cpf "$data/F10R2.DAT" "$cpf")
  system_menu "$dialog" 1
  box=$(wait_for find_dialog "Lanvo 3.03" "&Atualizar")
  if [ -z "$box" ]; then fail "the delinquency dialog did not open"; else
    click "$box" 313
    check "delinquency update" "$(answer_box)" "Processo finalizado"
    probe
    shot lanvo303-delinquency "$box"
    check "members in good standing (100)" "$(item "$box" 100 5)" 1
    check "clients up to date (101)" "$(item "$box" 101 5)" "$up_to_date"
    check "clients delinquent (102)" "$(item "$box" 102 5)" $((records - up_to_date))
    click "$box" 2
  fi
fi
close_dialog

if [ -n "$console" ] && [ -x "$console" ]; then
  echo "-- the same folder converted by the console program"
  mkdir -p "$out/console/temp"
  cp -a "$folder" "$out/console/Lanvo"
  TMPDIR=$out/console/temp "$console" -C "$out/console/Lanvo" --no convert > "$out/console/messages.txt" || true
  if diff -r "$out/console/Lanvo" "$out/converted" > "$out/folder.diff"; then
    pass "converted folder equals the console's"; else fail "converted folder differs (folder.diff)"; fi
  # What the conversion parked in the temporary folder.
  gui_temp=$(echo "$drive_c"/users/*/Temp)
  mkdir -p "$out/console/temp/Vamk" "$gui_temp/Vamk"
  if diff -r "$out/console/temp/Vamk" "$gui_temp/Vamk" > "$out/temp.diff"; then
    pass "parked folders equal the console's"; else fail "parked folders differ (temp.diff)"; fi
  head -n "$(wc -l < "$out/console/messages.txt")" "$out/messages.txt" > "$out/conversion-messages.txt"
  if diff "$out/console/messages.txt" "$out/conversion-messages.txt" > "$out/messages.diff"; then
    pass "messages equal the console's"; else fail "messages differ (messages.diff)"; fi
fi

# ---------------------------------------------------------------------------
# A large folder: while it converts, the dialog answers within a second every
# time it is asked (the stopwatch, tests/win32/helpers/dialog_probe.cpp), its
# status line shows each step's percent rising, and what the user clicks and
# types meanwhile starts nothing and ends nothing. The folder must come out as
# one conversion by the console program leaves it: compared by checksums, so
# that the large folders are not kept twice.

image() { (cd "$1" && find . -type d | sort && find . -type f -print0 | sort -z | xargs -0 -r sha256sum); }

# What the stopwatch saw: PASS, FAIL and INFO lines.
judge_answers() {  # answers.txt
  python3 - "$1" << 'EOF'
import re, sys
asked, slowest, late, unread, percents = 0, 0, 0, 0, {}
for line in open(sys.argv[1], encoding="utf-8"):
    f = line.rstrip("\n").split("\t")
    if f[0] not in ("A", "S"):
        continue
    if f[0] == "A":
        asked += 1
        slowest = max(slowest, int(f[2]))
        late += f[1] != "1"
    unread += f[-1] == "(no answer)"
    m = re.fullmatch(r"(.+) (\d+)%", f[-1])
    if m:
        seen = percents.setdefault(m.group(1), [])
        if not seen or seen[-1] != int(m.group(2)):
            seen.append(int(m.group(2)))
print(f"PASS\tasked {asked} times" if asked >= 4 else f"FAIL\tasked only {asked} times during the run")
print(f"FAIL\t{late} questions not answered within 1000 ms" if late else "PASS\tevery question answered in time")
print(f"FAIL\tthe status line unread {unread} times" if unread else "PASS\tthe status line read every time")
print(f"INFO\tslowest answer: {slowest} ms")
for step, seen in percents.items():
    print(f"INFO\t{step}: {' '.join(str(p) for p in seen)}")
    if seen != sorted(seen) or seen[-1] > 100:
        print(f"FAIL\tthe percent of {step} went back or past 100")
most = max((len(seen) for seen in percents.values()), default=0)
print(f"PASS\ta step showed {most} percents rising" if most >= 3 else f"FAIL\tno step showed 3 percents ({most})")
EOF
}

sample=""
[ -n "$console" ] && sample=$(dirname "$console")/lanvo-sample
if [ "$large_clients" -gt 0 ] && [ -x "$sample" ] && [ -x "$console" ]; then
  echo "-- $large_clients clients: the dialog answers and shows how far it has got while it converts"
  large=$out/large
  gui_temp=$(echo "$drive_c"/users/*/Temp)
  rm -rf "$large" "$gui_temp/Vamk"
  mkdir -p "$large/temp/Vamk" "$gui_temp/Vamk"
  mv "$data" "$large/data.saved"
  "$sample" --clients "$large_clients" --seed 7 --stage f10 --code-table both "$large/Lanvo" > /dev/null
  cp -a "$large/Lanvo" "$data"
  TMPDIR=$large/temp "$console" -C "$large/Lanvo" --no convert > "$large/console-messages.txt" || true
  image "$large/Lanvo" > "$large/console.sums"
  image "$large/temp/Vamk" > "$large/console-temp.sums"
  rm -rf "$large/Lanvo"

  open_dialog "$drive_c" 'C:\Vamk\Lanvo'
  if [ -n "$dialog" ]; then
    # Straight into the file, line by line (a pipe would hold the lines back).
    wine "$stopwatch_exe" 300 > "$out/answers.txt" 2> /dev/null &
    stopwatch=$!
    sleep 1
    click "$dialog" 300
    for _ in $(seq 1 300); do
      grep -q '%$' "$out/answers.txt" && break
      sleep 0.1
    done
    shot lanvo303-progress "$dialog"
    # A second run on top of this one, "&Fechar", the system menu, Alt+F4 and
    # the close box: none may do anything, now or once the run is over.
    read -r l t r b < <(rect "$dialog")
    click "$dialog" 300
    click "$dialog" 2
    xdotool mousemove $(((l + r) / 2)) $((t + 10)) click 3
    xdotool key alt+F4
    xdotool mousemove $((r - 12)) $((t + 12)) click 1
    check "closing message of the large conversion" "$(answer_box)" "A conversão foi realizada."
    wait "$stopwatch" || true
    sleep 1
    probe
    check "no second run, no other message" "$(find_box)" ""
    check "the dialog is still there" "$(find_dialog "Lanvo 3.03" "Pasta:")" "$dialog"
    if grep -q '%$' "$out/answers.txt"; then pass "a step's percent shown (lanvo303-progress.png)"; else
      fail "no percent shown"; fi
    judge_answers "$out/answers.txt" > "$out/answers-summary.txt" || fail "the answers could not be judged"
    while IFS=$'\t' read -r kind text; do
      case $kind in
        PASS) pass "$text" ;;
        FAIL) fail "$text" ;;
        *) echo "  $text" ;;
      esac
    done < "$out/answers-summary.txt"
    if cmp -s <(image "$data") "$large/console.sums" &&
       cmp -s <(image "$gui_temp/Vamk") "$large/console-temp.sums"; then
      pass "large folder converted as by the console program"
    else
      diff <(image "$data") "$large/console.sums" > "$out/large-folder.diff" || true
      fail "large folder differs from the console program's (large-folder.diff)"
    fi
  fi
  close_dialog
  rm -rf "$data" "$large/temp"
  mv "$large/data.saved" "$data"
fi

echo "-- started from A:\\, the diskette: drive C:'s data folder"
open_dialog "$drive_a" 'C:\Vamk\Lanvo'
close_dialog
echo "-- started from D:\\: the folder stays"
open_dialog "$drive_d" 'D:\'
close_dialog
echo "-- started from C:\\ without a data folder: the folder stays"
mv "$data" "$data.away"
open_dialog "$drive_c" 'C:\'
close_dialog
mv "$data.away" "$data"

# The dialog at 100 % and at 200 % (LogPixels 96 and 192, read by Wine when it
# starts), for the eye: lanvo303-dialog-100.png and lanvo303-dialog-200.png.
# Each time the program must start, show its folder and end as at 100 %.
scaled_dialog() {  # dots per inch, percent
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f > /dev/null 2>&1
  wineserver -w
  open_dialog "$drive_c" 'C:\Vamk\Lanvo'
  if [ -n "$dialog" ]; then shot "lanvo303-dialog-$2" "$dialog"; fi
  close_dialog
}
echo "-- the dialog at 100 % and at 200 %"
scaled_dialog 96 100
scaled_dialog 192 200
wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f > /dev/null 2>&1 || true
wineserver -w

finish
