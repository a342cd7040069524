#!/usr/bin/env bash
# The whole CI as a new machine runs it: a minimal Debian 12 root made with
# debootstrap from this machine's package sources, a clone of this
# checkout's HEAD in it, and `CI=true bash .ci/run` there, with no standard
# input. The root is entered through pivot_root in a mount and PID namespace
# of its own, with /proc, /sys and /dev: a chroot would not do, since the
# kernel refuses user namespaces to a chrooted process and the suite makes
# some. Prints CI's status, the time it took and the C library and GCC
# runtimes of every architecture before and after; removes the root
# afterwards, also when interrupted. As root; it takes as long as CI itself,
# plus the downloads. Not a stage of .ci/run.
#
#   tests/fresh_root.sh          # the log stays in /var/tmp (its name is printed)
#
# The root gets git besides debootstrap's minimal set, since a machine that
# runs CI has cloned the project; everything else must come from the stage
# `install`.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
[ "$(id -u)" = 0 ] || { echo "fresh_root.sh: run it as root" >&2; exit 2; }
. /etc/os-release
export DEBIAN_FRONTEND=noninteractive
command -v debootstrap > /dev/null || apt-get install -y -q debootstrap

# The machine's own archive for the release, as apt has it configured.
mirror=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' |
    awk -v release="$VERSION_CODENAME" '$2 == release { print $1; exit }')
[ -n "$mirror" ] || { echo "fresh_root.sh: apt has no source for $VERSION_CODENAME" >&2; exit 2; }

root=$(mktemp -d /var/tmp/quorvel-fresh-root.XXXXXX)
log=$root.log
binfmt_before=$(unshare -m sh -c 'mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2> /dev/null
    ls /proc/sys/fs/binfmt_misc')
inside=
cleanup() {
    if [ -n "$inside" ]; then kill "$inside" 2> /dev/null || true; wait "$inside" 2> /dev/null || true; fi
    # The emulators the root registered with binfmt_misc point into it; the
    # machine's own entries stay.
    unshare -m bash -c 'mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2> /dev/null
        for entry in /proc/sys/fs/binfmt_misc/qemu-*; do
            [ -e "$entry" ] && ! grep -qx "${entry##*/}" <<< "$1" && echo -1 > "$entry"
        done; true' - "$binfmt_before"
    # Its mounts ended with its namespace; --one-file-system guards the machine anyway.
    rm -rf --one-file-system "$root"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

start=$SECONDS
echo "== a Debian $VERSION_CODENAME root in $root from $mirror"
debootstrap --variant=minbase --include=git "$VERSION_CODENAME" "$root" "$mirror" > "$root.debootstrap.log" 2>&1 ||
    { cat "$root.debootstrap.log"; exit 1; }
rm -f "$root.debootstrap.log"
# The machine's package sources as a new machine has them (not the backports
# entry that tests/setup_wine32.sh may have added here), and its resolver.
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
[ ! -e /etc/apt/sources.list ] || cp /etc/apt/sources.list "$root/etc/apt/sources.list"
for file in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    case $file in *-backports.* | *'*'*) continue ;; esac
    cp "$file" "$root/etc/apt/sources.list.d/"
done
git clone -q "$top" "$root/ci/quorvel"
commit=$(git -C "$root/ci/quorvel" rev-parse HEAD)

runtimes() {
    dpkg-query --admindir="$root/var/lib/dpkg" -W -f '${db:Status-Abbrev} ${binary:Package} ${Version}\n' \
        'libc6:*' 'libgcc-s1:*' 'libstdc++6:*' | sed -n 's/^ii  *//p' | LC_ALL=C sort
}
before=$(runtimes)
echo "== CI=true bash .ci/run at $commit, in the root (log: $log)"
ci_start=$SECONDS
unshare --mount --pid --fork --kill-child bash -c '
    set -e
    root=$1
    mount --make-rprivate /
    mount --bind "$root" "$root"
    mount -t proc proc "$root/proc"
    mount -t sysfs sysfs "$root/sys"
    mount --rbind /dev "$root/dev"
    mkdir "$root/.machine"
    cd "$root"
    pivot_root . .machine
    umount -l /.machine
    rmdir /.machine
    cd /ci/quorvel
    exec env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        CI=true bash .ci/run' - "$root" < /dev/null > "$log" 2>&1 &
inside=$!
status=0
wait "$inside" || status=$?
inside=
ci_time=$((SECONDS - ci_start))
after=$(runtimes)
tail -n 40 "$log"
echo "== the runtimes of every architecture, before CI:"
echo "$before"
echo "== and after:"
echo "$after"
native=$(dpkg --print-architecture)
own_before=$(grep "^libc6:$native " <<< "$before")
own_after=$(grep "^libc6:$native " <<< "$after")
if [ "$own_before" != "$own_after" ]; then
    echo "the root's own C library changed: $own_before, then $own_after"
    [ $status -ne 0 ] || status=1
fi
if [ "$(cut -d ' ' -f 2 <<< "$(grep '^libc6:' <<< "$after")" | sort -u | wc -l)" -ne 1 ]; then
    echo "the C library differs between architectures"
    [ $status -ne 0 ] || status=1
fi
echo "== .ci/run at $commit: status $status, $ci_time s in CI, $((SECONDS - start)) s in all"
exit $status
