#!/usr/bin/env bash
# Holds the runtimes that multiarch makes match across architectures at the
# machine's own versions, before any other architecture's packages come in:
# the C library (libc6) and GCC's libgcc-s1 and libstdc++6. dpkg installs a
# "Multi-Arch: same" package of one version on every architecture, so a
# foreign libc6 that the security suite carries a point ahead would upgrade
# the machine's own, and a target whose archive lacks that point could then
# not be installed at all. An apt preferences pin holds every binary package
# of their sources, on every architecture, at the version the machine has.
# Debian 12, as root; safe to run again (on a machine set up, nothing
# changes).
#
#   tests/hold_runtimes.sh ARCH...   # Debian architectures: i386 armel ...
#
# The architectures are added to dpkg; where the machine's version is not to
# be had for one of them, it stops with status 1 and changes no package.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
pin=/etc/apt/preferences.d/quorvel-runtimes
native=$(dpkg --print-architecture)

added=no
for arch in "$@"; do
    [ "$arch" != "$native" ] || continue
    if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        dpkg --add-architecture "$arch"
        added=yes
    fi
done
# A mirror caught in the middle of a sync fails an index or two; apt keeps
# the lists it has, and a version truly missing is reported below.
if [ $added = yes ]; then
    apt-get update -q || apt-get update -q ||
        echo "apt-get update failed twice: going on with the package lists apt has" >&2
fi

# The versions apt knows of PACKAGE:ARCH, installed or in an archive.
versions() {
    apt-cache madison "$1" | awk -F ' [|] ' '{ print $2 }' | sort -u
}

held=() lacking=()
for package in libc6 libgcc-s1 libstdc++6; do
    own=$(dpkg-query -W -f '${Version}' "$package:$native")
    source=$(dpkg-query -W -f '${source:Package}' "$package:$native")
    for arch in "$@"; do
        if ! versions "$package:$arch" | grep -qxF -- "$own"; then
            lacking+=("$package:$arch has $(versions "$package:$arch" | paste -sd ' ' -), not $own")
        fi
    done
    held+=("$source $own")
done
if [ ${#lacking[@]} -gt 0 ]; then
    echo "hold_runtimes.sh: the machine's own runtimes are not to be had for every architecture:" >&2
    printf '  %s\n' "${lacking[@]}" >&2
    echo "Nothing was installed, and the machine's own versions are unchanged." >&2
    exit 1
fi

text="# Written by quorvel's tests/hold_runtimes.sh: the runtimes that multiarch
# makes match across architectures, held at this machine's own versions on
# every architecture. Run the script again after upgrading them on purpose."
for entry in $(printf '%s\n' "${held[@]}" | sort -u | tr ' ' '='); do
    text+=$'\n\n'"Package: src:${entry%%=*}:any"$'\n'"Pin: version ${entry#*=}"$'\n'"Pin-Priority: 990"
done
if [ "$(cat "$pin" 2> /dev/null)" != "$text" ]; then
    echo "$text" > "$pin"
fi
echo "Held at the machine's own versions on $native $*: $(printf '%s\n' "${held[@]}" | sort -u | paste -sd ',' - | sed 's/,/, /g') ($pin)."
