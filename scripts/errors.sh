# Sourced by the scripts so that none of them stops without saying why.
#   qs_stop_on_errors NAME   (for a script under set -e) a command that fails stops the script with
#                            "NAME: stopped: `command` failed with exit N (file, line L)"
#   qs_die MESSAGE...        stops the script with "NAME: MESSAGE"
QS_SCRIPT=${QS_SCRIPT:-$(basename "$0" .sh)}

qs_die() {
  echo "$QS_SCRIPT: $*" >&2
  exit 1
}

qs_stop_on_errors() {
  QS_SCRIPT=$1
  # Functions, command substitutions and subshells keep the trap (-E); a subshell or substitution
  # that fails is named once, by the command that holds it.
  set -E
  trap 'qs_stopped $? "$BASH_COMMAND" "${BASH_SOURCE[0]}" "$LINENO"' ERR
}

qs_stopped() {
  ((BASH_SUBSHELL)) && return 0
  local command=$2
  # A function that failed by returning is named by the line that called it.
  if [[ $command == return* ]] && [ -r "$3" ]; then command=$(sed -n "$4s/^[[:space:]]*//p" "$3"); fi
  echo "$QS_SCRIPT: stopped: \`$command\` failed with exit $1 ($3, line $4)" >&2
}
