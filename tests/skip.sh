# Sourced by the wrappers of the suites that need the real thing: the router
# lab, sshd, the keyring, the journal, rtnetlink and the sound server. Outside
# CI a missing piece makes the suite a skip, with its reason on one line. Where
# CI=true the run exists to prove those suites, so the same reason fails it:
# a green CI run must never hide that they did not run.
skip() {
    if [ "${CI:-}" = true ]; then
        echo "not run, and CI=true needs it: $*" >&2
        exit 1
    fi
    echo "skipped: $*" >&2
    exit 77
}
