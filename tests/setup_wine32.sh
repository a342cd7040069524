#!/usr/bin/env bash
# Makes the 32-bit Wine run on an x86-64 machine, also one whose kernel runs
# no 32-bit x86 code: there (a tiny i386 program is tried first) every i386
# ELF program goes to qemu's user-mode emulator through binfmt_misc; a kernel
# that runs them itself is left as it is. Debian 12, as root; safe to run
# again.
#
#   tests/setup_wine32.sh
#
# Needs qemu 8.1 or later (bookworm's 7.2 cannot map Wine's shared user data
# at its fixed address), so qemu-user comes from bookworm-backports, taken
# from the archive apt already uses.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
. /etc/os-release
suite="$VERSION_CODENAME-backports"

# The backports suite, from the entry of the main suite in apt's sources.
if ! grep -rqs -- "$suite" /etc/apt/sources.list /etc/apt/sources.list.d/; then
    # A deb822 stanza whose suites hold the main one: keep its URIs and key.
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -e "$file" ] || continue
        awk -v main="$VERSION_CODENAME" -v suite="$suite" '
            BEGIN { RS = ""; FS = "\n" }
            $0 ~ "Suites:[^\n]*[ \t]" main "([ \t\n]|$)" {
                for (i = 1; i <= NF; i++) {
                    if ($i ~ /^Suites:/) $i = "Suites: " suite
                    if ($i !~ /^#/) print $i
                }
                exit
            }' "$file" > "/tmp/$suite.sources"
        if [ -s "/tmp/$suite.sources" ]; then
            mv "/tmp/$suite.sources" "/etc/apt/sources.list.d/$suite.sources"
            break
        fi
    done
    # Or a one-line entry in sources.list.
    if [ ! -e "/etc/apt/sources.list.d/$suite.sources" ]; then
        grep -h -E "^deb [^ ]+ $VERSION_CODENAME " /etc/apt/sources.list | head -n 1 |
            sed "s/ $VERSION_CODENAME / $suite /" > "/etc/apt/sources.list.d/$suite.list"
    fi
    apt-get update -q || apt-get update -q || echo "apt-get update failed twice: going on with the package lists apt has" >&2
fi
if ! qemu-i386 --version 2>/dev/null | grep -qE 'version ([89]\.[1-9]|[1-9][0-9])'; then
    apt-get install -y -q --no-install-recommends -t "$suite" qemu-user
fi

# binfmt_misc: i386 programs to qemu-i386, where the kernel cannot run them.
. "$(dirname "$0")/binfmt.sh"
register_qemu i386

# The 32-bit Wine; its packages' scripts now run through the emulator too.
# The C library and GCC's runtimes stay at the machine's own versions.
"$(dirname "$0")/hold_runtimes.sh" i386
if ! dpkg -s wine32:i386 > /dev/null 2>&1; then
    # A mirror caught in the middle of a sync fails an index or two; apt
    # keeps the lists it has, and an install that truly lacks one fails.
    apt-get update -q || apt-get update -q || echo "apt-get update failed twice: going on with the package lists apt has" >&2
    # Where a mirror failed the i386 half of an index, a library's i386
    # package can be a version behind its amd64 one; the release's own
    # versions, with a hint that apt's resolver needs then, match again.
    apt-get install -y -q wine32:i386 ||
        apt-get install -y -q -t "$VERSION_CODENAME" wine32:i386 libgstreamer-plugins-base1.0-0:i386
fi
/usr/lib/wine/wine --version
