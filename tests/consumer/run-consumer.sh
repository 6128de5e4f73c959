#!/usr/bin/env bash
# run-consumer.sh BUILD_DIR EXAMPLES
# Installs BUILD_DIR and uses the installed package as a newcomer would.
set -euo pipefail
build="$1" examples="$2" here="$(cd "$(dirname "$0")" && pwd)"
work="$build/consumer" prefix="$build/consumer/prefix"
rm -rf "$work"
cmake --install "$build" --prefix "$prefix" >/dev/null

# expect STATUS TEXT COMMAND...: COMMAND ends with STATUS (0, or "fail") and
# prints a line holding TEXT.
expect() {
  local status="$1" text="$2" out rc=0
  shift 2
  out="$("$@" 2>&1)" || rc=$?
  if [ "$status" = fail ] && [ $rc -ne 0 ] || [ "$status" = "$rc" ]; then
    grep -qF -- "$text" <<<"$out" && return 0
  fi
  printf 'FAILED (status %s, wanted %s with "%s"): %s\n%s\n' "$rc" "$status" "$text" "$*" "$out"
  exit 1
}
# lines PROGRAM: runs PROGRAM under Wine; every line of stdin must be in its output.
lines() {
  local out rc=0
  out="$(timeout 120 wine "$work/build/$1" | tr -d '\r')" || rc=$?
  printf '%s\n' "$out"
  while IFS= read -r line; do
    grep -qxF -- "$line" <<<"$out" || { echo "MISSING: $line"; rc=1; }
  done
  return $rc
}

# The host compiler finds the package too: it must stop there, saying why.
expect fail "-DCMAKE_TOOLCHAIN_FILE=$prefix/lib/cmake/CFUtils/mingw-w64.cmake" \
  cmake -S "$examples" -B "$work/host" -DCMAKE_PREFIX_PATH="$prefix"
# A UNICODE build stops at the cause.
expect fail "ANSI (8-bit) builds" bash -c \
  "echo '#include <CFUtils.h>' | x86_64-w64-mingw32-g++-posix -DUNICODE -fsyntax-only -I'$prefix/include' -x c++ -"
# Someone else's toolchain that finds packages only under its roots.
expect 0 "Configuring done" cmake -S "$examples" -B "$work/foreign" \
  -DCMAKE_TOOLCHAIN_FILE="$here/foreign-toolchain.cmake" -DCFUtils_DIR="$prefix/lib/cmake/CFUtils"

# The installed toolchain file alone finds the package; the build places the
# DLLs beside the programs, which run with no mingw runtime DLL in reach.
cmake -S "$examples" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/CFUtils/mingw-w64.cmake" \
      -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >/dev/null
cmake --build "$work/build" >/dev/null
for dll in "$prefix"/bin/*.dll; do
  [ -f "$work/build/${dll##*/}" ] || { echo "not copied beside the programs: $dll"; exit 1; }
done

lines router_owner.exe <<'EOF_LINES'
router_owner: router up; status panel registered as handle 2
router_owner: remote component registered
remote_component: registered as handles 3 and 4
router_owner: status panel: device 2 is now in state 1
router_owner: device change routed; router answered 1
remote_component: device 2 is now in state 1 (posted)
remote_component: query (sent); answering 99
router_owner: query routed; router answered 0
remote_component: unregistered; ending
router_owner: remote component ended; registrations left: 0
EOF_LINES

key='SOFTWARE\Corvanta\FlyDeck Example Suite'
unregister() { for root in HKLM HKCU; do timeout 60 wine reg delete "$root\\$key" /f >/dev/null 2>&1 || true; done; }
unregister
trap unregister EXIT
timeout 60 wine regedit /S "$(winepath -w "$examples/schemes/install.reg")"
lines scheme_reader.exe <<'EOF_LINES'
scheme_reader: Stick Tuner settings: poll interval 16 ms, language de
scheme_reader: current scheme "Racing" (status 0); the user's schemes: ".Default" "Racing"
    Sensitivity = 9
    Dead Zone = 2
    Last Page = "Buttons"
EOF_LINES
