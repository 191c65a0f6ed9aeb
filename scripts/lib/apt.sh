# apt-get for the scripts: waits while another package manager holds the lock (usual on a
# fresh machine, where an automatic update runs at first boot) instead of failing at once.
# Usage: source scripts/lib/apt.sh; apt_get install -y PACKAGE...   (root, or sudo is used)

apt_lock_wait_seconds=${APT_LOCK_WAIT_SECONDS:-600}

apt_get() {
    local sudo_cmd=() waited=0 errors status
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    errors=$(mktemp)
    while :; do
        status=0
        DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get \
            -o DPkg::Lock::Timeout="$apt_lock_wait_seconds" "$@" 2> "$errors" || status=$?
        if [[ $status -ne 0 ]] && ((waited < apt_lock_wait_seconds)) &&
            grep -qiE 'could not get lock|unable to acquire|lock-frontend|is held by process' "$errors"; then
            ((waited == 0)) && echo "Waiting for another package manager to finish ..." >&2
            sleep 5
            ((waited += 5))
            continue
        fi
        cat "$errors" >&2
        rm -f "$errors"
        return "$status"
    done
}
