#!/bin/sh
# Runs a test binary beside a real OpenSSH server that exists only for the run:
# a private network namespace holding nothing but its own loopback, and a
# private mount namespace in which a throwaway /etc/shadow (root's password is
# whatever the test writes into it) and an empty /run are mounted. The host
# key, the server configuration and the shadow copy live in a temporary folder.
# Nothing on the machine changes and no traffic can leave it.
#
# The test starts and stops sshd itself (so it can kill it mid-session); it
# finds everything through VELTRANO_TEST_SSHD_CONFIG and VELTRANO_TEST_SHADOW.
# Skips (tests/skip.sh) where no such namespaces can be made or sshd is missing.
. "$(dirname "$0")/../skip.sh"

sshd=/usr/sbin/sshd
if [ ! -x "$sshd" ] || ! command -v ssh-keygen >/dev/null 2>&1; then
    skip "OpenSSH server not installed"
fi

if [ "${VELTRANO_PRIVATE_SSHD:-}" != 1 ]; then
    for flags in "-m -n" "-r -m -n"; do
        # shellcheck disable=SC2086
        if unshare $flags --propagation private true 2>/dev/null; then
            # shellcheck disable=SC2086
            VELTRANO_PRIVATE_SSHD=1 exec unshare $flags --propagation private "$0" "$@"
        fi
    done
    skip "this system allows no private mount and network namespace"
fi

# From here on: inside the private namespaces.
work=$(mktemp -d) || skip "no temporary folder"
# The test stops its sshd itself; this catches one left behind by a crash, whose
# sessions (and the ssh masters on them) then end as well.
trap '[ -s "$work/sshd.pid" ] && kill "$(cat "$work/sshd.pid")" 2>/dev/null; rm -rf "$work"' EXIT

ip link set lo up || skip "loopback cannot come up"
# sshd wants its privilege-separation folder under /run; an empty private /run
# also keeps its log lines away from the real journal.
mount -t tmpfs -o mode=0755 tmpfs /run || skip "no private /run"
mkdir -m 0755 /run/sshd

# Root starts with a password nobody knows; the test writes the hash it needs.
umask 077
awk -F: 'BEGIN { OFS = ":" } $1 == "root" { $2 = "!" } { print }' /etc/shadow >"$work/shadow"
mount --bind "$work/shadow" /etc/shadow || skip "/etc/shadow cannot be replaced"

ssh-keygen -q -t ed25519 -N '' -f "$work/host_key" || skip "ssh-keygen failed"
cat >"$work/sshd_config" <<EOF
ListenAddress 127.0.0.1
Port 22
HostKey $work/host_key
PidFile $work/sshd.pid
PermitRootLogin yes
PasswordAuthentication yes
KbdInteractiveAuthentication no
PubkeyAuthentication no
AuthorizedKeysFile none
UsePAM no
LoginGraceTime 10
MaxStartups 50
EOF

"$sshd" -t -f "$work/sshd_config" || skip "sshd refuses the private configuration"

VELTRANO_TEST_SSHD_CONFIG="$work/sshd_config" VELTRANO_TEST_SHADOW="$work/shadow" "$@"
status=$?
exit $status
