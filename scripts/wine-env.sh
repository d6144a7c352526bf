# Sourced by the run and test scripts: a quiet 32-bit Wine prefix template and a virtual display.
# The end-to-end harness (tests/e2e/harness.py) takes the same environment from here (qs_wine_env)
# and makes its prefixes with qs_wine_prefix.
QS_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win32
export QS_WINE_TEMPLATE=${QS_WINE_TEMPLATE:-$QS_ROOT/build/wine/template}
# No prompts to install Mono or Gecko.
QS_WINE_NO_PROMPTS="mscoree,mshtml="
# A program's own ASPI layer (the one beside it) rather than Wine's builtin one.
QS_WINE_OVERRIDES="$QS_WINE_NO_PROMPTS;wnaspi32=n"
QS_XVFB_SCREEN=1024x768x24

# The environment above, as NAME=value lines.
qs_wine_env() {
  local name
  for name in WINEARCH QS_WINE_TEMPLATE QS_WINE_NO_PROMPTS QS_WINE_OVERRIDES QS_XVFB_SCREEN; do
    printf '%s=%s\n' "$name" "${!name}"
  done
}

# Wine runs a 32-bit Windows program in a 32-bit Linux process. Some machines refuse to start one
# (a kernel without IA-32 emulation, or with it switched off); there it runs under QEMU's user-mode
# emulator, registered for i386 programs by setup.sh. Wine starts under QEMU 10 or later only: older
# ones cannot give it the fixed mappings it asks for.
qs_host_runs_i386() {
  /usr/lib/wine/wine --version >/dev/null 2>&1 || return 1
  local interpreter major
  for interpreter in $(qs_i386_emulators); do
    major=$("$interpreter" --version 2>/dev/null | sed -nE '1s/.*version ([0-9]+).*/\1/p')
    [ "${major:-0}" -ge 10 ] || return 1
  done
}

# The emulators registered for i386 programs (none where the processor runs them itself).
qs_i386_emulators() {
  local entry
  for entry in /proc/sys/fs/binfmt_misc/*; do
    grep -qx enabled "$entry" 2>/dev/null || continue
    grep -q '^magic 7f454c4601010100000000000000000002000300' "$entry" || continue
    sed -n 's/^interpreter //p' "$entry"
  done
}

# Creates the template prefix once: no window manager decorations, no Mono/Gecko prompts,
# CJK-capable fonts so that Chinese texts are readable in screenshots. A step that fails is named,
# with the end of what it said.
qs_wine_template() {
  [ -f "$QS_WINE_TEMPLATE/.ready" ] && return 0
  rm -rf "$QS_WINE_TEMPLATE"; mkdir -p "$(dirname "$QS_WINE_TEMPLATE")" || return 1
  echo "wine: creating prefix template (about 10 s)"
  _qs_template_step env WINEDLLOVERRIDES="$QS_WINE_NO_PROMPTS" wineboot -i || return 1
  _qs_template_step wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f || return 1
  local font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
  if [ -f "$font" ]; then
    _qs_template_step cp "$font" "$QS_WINE_TEMPLATE/drive_c/windows/Fonts/" || return 1
    local f
    for f in "MS Shell Dlg" "MS Shell Dlg 2" Tahoma SimSun PMingLiU "Microsoft YaHei" "Microsoft JhengHei"; do
      _qs_template_step wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$f" /t REG_SZ \
        /d "WenQuanYi Micro Hei" /f || return 1
    done
  fi
  _qs_template_step wineserver -w || return 1
  rm -f "$QS_WINE_TEMPLATE.log"
  touch "$QS_WINE_TEMPLATE/.ready"
}

# One step of qs_wine_template, in the template. Its output goes to a file, not a pipe: a Wine
# process that outlives the step would keep a pipe open.
_qs_template_step() {
  local log=$QS_WINE_TEMPLATE.log
  WINEPREFIX=$QS_WINE_TEMPLATE "$@" >"$log" 2>&1 && return 0
  local status=$?
  echo "wine: could not create the prefix template $QS_WINE_TEMPLATE: \`$*\` failed with exit $status;" \
    "its last output:" >&2
  tail -n 5 "$log" | sed 's/^/    /' >&2
  return 1
}

# A fresh prefix in a few milliseconds: hard links, except the registry files that Wine rewrites.
qs_wine_prefix() {
  local dest=$1 f failed="wine: could not make the prefix $1 from the template $QS_WINE_TEMPLATE"
  rm -rf "$dest"
  cp -al "$QS_WINE_TEMPLATE" "$dest" || { echo "$failed" >&2; return 1; }
  for f in system.reg user.reg userdef.reg; do
    cp --remove-destination "$QS_WINE_TEMPLATE/$f" "$dest/$f" || { echo "$failed" >&2; return 1; }
  done
}

# Starts a private Xvfb and exports DISPLAY; the server ends with the calling shell.
qs_start_xvfb() {
  local n
  for n in $(seq 91 140); do
    if [ -e "/tmp/.X$n-lock" ]; then
      # A lock whose server is gone is stale: clear it and use the display.
      local pid; pid=$(tr -d ' ' < "/tmp/.X$n-lock" 2>/dev/null)
      if [ -n "$pid" ] && [ -d "/proc/$pid" ]; then continue; fi
      rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
    fi
    Xvfb ":$n" -screen 0 "$QS_XVFB_SCREEN" -nolisten tcp >/dev/null 2>&1 &
    QS_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  done
  echo "wine: could not start Xvfb on any display from :91 to :140" >&2; return 1
}

# Gives every optical drive of this machine (/dev/sr*) a CD-ROM drive letter in the prefix $1, from
# D: on: dosdevices/x: is where its medium is mounted (an empty folder under $2 when it is not),
# dosdevices/x:: the device itself, and HKLM\Software\Wine\Drives marks the letter "cdrom", so that
# \\.\X: opens the drive for SCSI pass-through. Prints one line per drive, warns about a drive this
# user may not write to, and fails, saying so, when there is no drive. Wine takes the letters up
# when a session of the prefix starts: the function waits for the session it starts to end.
qs_map_optical_drives() {
  local prefix=$1 media=$2 dev letter target reg i=0
  local letters=(d e f g h i j k l m n o p q r s t u v w x y)
  local devs=()
  for dev in /dev/sr[0-9]*; do [ -b "$dev" ] && devs+=("$dev"); done
  if ((${#devs[@]} == 0)); then
    echo "no optical drive on this machine (no /dev/sr*)" >&2
    return 1
  fi
  # Letters an earlier mapping gave to drives are given out afresh.
  for target in "$prefix"/dosdevices/?::; do
    [[ -L $target && $(readlink "$target") == /dev/sr* ]] && rm -f "$target" "${target%:}"
  done
  reg=$(mktemp --suffix=.reg)
  printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n' >"$reg"
  while read -r dev; do
    while [ -e "$prefix/dosdevices/${letters[i]}:" ] || [ -L "$prefix/dosdevices/${letters[i]}:" ]; do
      i=$((i + 1))
    done
    letter=${letters[i]:-}
    [ -n "$letter" ] || { echo "no drive letter left for $dev" >&2; break; }
    i=$((i + 1))
    target=$(findmnt -n -o TARGET --source "$dev" 2>/dev/null | head -n1)
    [ -n "$target" ] || { target=$media/$letter; mkdir -p "$target"; }
    ln -sfn "$target" "$prefix/dosdevices/$letter:" && ln -sfn "$dev" "$prefix/dosdevices/$letter::" ||
      { rm -f "$reg"; return 1; }
    printf '"%s:"="cdrom"\r\n' "$letter" >>"$reg"
    echo "${letter^^}: $dev"
    if ! [ -r "$dev" ] || ! [ -w "$dev" ]; then
      echo "  ${letter^^}: $dev is not readable and writable for $(id -un): speed commands will be refused;" \
        "run as root, or join group $(stat -c %G "$dev") with the node at mode 0660" >&2
    fi
  done < <(printf '%s\n' "${devs[@]}" | sort -V)
  WINEPREFIX=$prefix wine reg import "Z:${reg//\//\\}" >/dev/null 2>&1
  local status=$?
  ((status == 0)) || echo "could not mark the drive letters as CD-ROM drives in $prefix (wine reg import failed)" >&2
  WINEPREFIX=$prefix wineserver -w
  rm -f "$reg"
  return $status
}
