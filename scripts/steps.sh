# shellcheck shell=bash
# Sourced (not run) by the scripts that install or fetch something. Such a
# step is quiet when it works; when it fails, it shows the end of its output
# and says what failed and what to do, instead of leaving a bare exit status.

# quietly WHAT ADVICE COMMAND...: runs COMMAND with its output kept in a
# temporary log. On failure prints the log's last lines, then one line naming
# WHAT failed with ADVICE, and exits 1; the whole log stays for reading.
quietly() {
    local what="$1" advice="$2" log status=0
    shift 2
    log="$(mktemp -t feldmoor-step.XXXXXX.log)"
    "$@" >"$log" 2>&1 || status=$?
    if ((status == 0)); then
        rm -f "$log"
        return 0
    fi
    tail -n 15 "$log" >&2
    echo "${0##*/}: $what failed (exit $status, whole output in $log): $advice" >&2
    exit 1
}

# install_missing PACKAGE...: installs with apt-get those of the Debian
# packages that are not installed yet (through sudo when not root).
install_missing() {
    local p missing=() sudo=()
    for p; do
        [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || missing+=("$p")
    done
    ((${#missing[@]})) || return 0
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        # Asked here, since the steps' own output goes to a log.
        sudo=(sudo)
        sudo -v
    fi
    quietly "apt-get update" \
        "check the network and the entries in /etc/apt/sources.list.d/, then run again" \
        "${sudo[@]}" apt-get update -q
    quietly "installing ${missing[*]}" \
        "install them with apt-get on Debian 12 (the lines above say why apt refused), then run again" \
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}"
}
