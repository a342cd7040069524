# Sourced by the setup scripts beside it.
#
# register_qemu ARCH (a Debian architecture: arm64, armel, armhf, i386, s390x
# or riscv64):
# that processor's Linux programs (ELF executables and position-independent
# ones) run under qemu's user-mode emulator, whoever starts them. F opens the
# emulator now, so it serves inside a chroot too; P keeps argv[0] as the
# program gave it. Safe to run again.
register_qemu() {
    local class machine emulator binfmt=/proc/sys/fs/binfmt_misc
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
    mountpoint -q "$binfmt" || mount -t binfmt_misc binfmt_misc "$binfmt"
    if [ ! -e "$binfmt/qemu-$emulator" ]; then
        echo ":qemu-$emulator:M::$magic:$mask:/usr/bin/qemu-$emulator:FP" > "$binfmt/register"
    fi
}
