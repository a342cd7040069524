# Sourced by the setup scripts beside it.
#
# register_qemu ARCH (a Debian architecture: arm64, armel, armhf, i386, s390x
# or riscv64):
# that processor's Linux programs (ELF executables and position-independent
# ones) run under qemu's user-mode emulator, whoever starts them. F opens the
# emulator now, so it serves inside a chroot too; P keeps argv[0] as the
# program gave it. i386 programs only where the kernel cannot run them itself
# (it can on most x86-64 machines; not on CI's). Safe to run again.
register_qemu() {
    local class machine emulator binfmt=/proc/sys/fs/binfmt_misc
    mountpoint -q "$binfmt" || mount -t binfmt_misc binfmt_misc "$binfmt"
    if [ "$1" = i386 ] && runs_i386_itself; then
        echo "This kernel runs i386 programs itself: qemu-i386 is not registered."
        return 0
    fi
    case $1 in
        arm64) class=02 machine=b7 emulator=aarch64 ;;
        armel | armhf) class=01 machine=28 emulator=arm ;;
        i386) class=01 machine=03 emulator=i386 ;;
        s390x) class=02 machine=16 emulator=s390x ;;
        riscv64) class=02 machine=f3 emulator=riscv64 ;;
        *) echo "register_qemu: no emulator for $1" >&2; return 1 ;;
    esac
    # e_ident: class, byte order, version; then e_type (2 or 3) and e_machine.
    local magic="\\x7fELF\\x$class\\x01\\x01" mask='\xff\xff\xff\xff\xff\xff\xff'
    local tail='\x02\x00\x'$machine'\x00' tail_mask='\xfe\xff\xff\xff'
    if [ "$1" = s390x ]; then  # big-endian
        magic="\\x7fELF\\x$class\\x02\\x01" tail='\x00\x02\x00\x'$machine tail_mask='\xff\xfe\xff\xff'
    fi
    magic+='\x00\x00\x00\x00\x00\x00\x00\x00\x00'$tail
    mask+='\x00\xff\xff\xff\xff\xff\xff\xff\xff'$tail_mask
    if [ ! -e "$binfmt/qemu-$emulator" ]; then
        echo ":qemu-$emulator:M::$magic:$mask:/usr/bin/qemu-$emulator:FP" > "$binfmt/register"
    fi
    echo "$1 programs run under /usr/bin/qemu-$emulator (binfmt_misc entry qemu-$emulator)."
}

# Whether the kernel starts an i386 program by itself: a 93-byte one that
# only exits, tried with qemu's entry (if any) switched off for the moment.
runs_i386_itself() {
    local probe entry=/proc/sys/fs/binfmt_misc/qemu-i386 enabled=no status=1
    probe=$(mktemp)
    # ELF header, one loadable segment at 0x08048000, then mov eax,1;
    # xor ebx,ebx; int 0x80: exit(0).
    printf '%b' '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
        '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
        '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
        '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' \
        '\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00' \
        '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' > "$probe"
    chmod +x "$probe"
    if [ -e "$entry" ] && grep -qx enabled "$entry"; then
        enabled=yes
        echo 0 > "$entry"
    fi
    "$probe" 2> /dev/null && status=0
    if [ $enabled = yes ]; then echo 1 > "$entry"; fi
    rm -f "$probe"
    return $status
}
