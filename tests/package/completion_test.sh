#!/usr/bin/env bash
# zvr-cli's bash completion as bash runs it: the words of a command line in, what it offers
# out. Usage: completion_test.sh COMPLETION_FILE ZVR_CLI
set -uo pipefail
completion=$1
cli=$2
source "$completion" || { echo "FAILED: the completion does not load"; exit 1; }

failures=0
# offers EXPECTED WORD... : the last word is the one being completed.
offers() {
    local expected=$1
    shift
    COMP_WORDS=("$cli" "$@")
    COMP_CWORD=$(($# ))
    COMPREPLY=()
    _zvr_cli
    local got="${COMPREPLY[*]}"
    if [[ $got != "$expected" ]]; then
        echo "FAILED: zvr-cli $* -> '$got', expected '$expected'"
        failures=$((failures + 1))
    fi
}

# The values of the options that take one of a few words, after a blank or an '='.
offers "abort continue" download unit.ZVR --on-mismatch ""
offers "continue" download unit.ZVR --on-mismatch c
offers "change keep abort" download unit.ZVR --password-mismatch ""
offers "--password-mismatch=keep" download unit.ZVR --password-mismatch=k
offers "abort continue" download --on-mismatch = ""
offers "current history" faults --port DEMO740 --clear ""
offers "DEMO740 DEMO760" identify --port DEMO7

# Ports are devices that exist, never a pattern that matched nothing.
COMP_WORDS=("$cli" identify --port /dev/tty)
COMP_CWORD=3
_zvr_cli
for port in "${COMPREPLY[@]}"; do
    if [[ $port == *'*'* || ! -e $port ]]; then
        echo "FAILED: offered port '$port' is no device of this machine"
        failures=$((failures + 1))
    fi
done

# Commands and their options come from the program's own help.
COMP_WORDS=("$cli" "")
COMP_CWORD=1
_zvr_cli
for command in wizard convert-strategy monitor; do
    [[ " ${COMPREPLY[*]} " == *" $command "* ]] || {
        echo "FAILED: command $command not offered: ${COMPREPLY[*]}"
        failures=$((failures + 1))
    }
done
offers "--no-verify" download unit.ZVR --no
offers "--skip-missing --strategy-dir" convert-strategy a.ZVR --s

[[ $failures -eq 0 ]] || exit 1
echo "the completion offers what it should"
