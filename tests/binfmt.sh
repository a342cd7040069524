# Sourced by the setup scripts beside it.
#
# register_binfmt NAME MAGIC MASK EMULATOR: programs whose first bytes match
# MAGIC under MASK run under EMULATOR, whoever starts them. F opens the
# emulator now, P keeps argv[0] as the program gave it. Safe to run again.
register_binfmt() {
    local binfmt=/proc/sys/fs/binfmt_misc
    mountpoint -q "$binfmt" || mount -t binfmt_misc binfmt_misc "$binfmt"
    if [ ! -e "$binfmt/$1" ]; then
        echo ":$1:M::$2:$3:$4:FP" > "$binfmt/register"
    fi
}
