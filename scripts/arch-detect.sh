# Sourced by the set-up, build, run and test scripts: which Windows build runs
# under Wine on this machine.
#
# 32-bit Wine is a 32-bit Linux program; some machines cannot execute those at
# all. The 32-bit loader is asked for its version: where that runs, so does
# 32-bit Wine. KAVRI_ARCH=64 (or 32) forces the choice.

kavri_can_run_32bit() {
  [ -e /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# Sets kavri_arch (32 or 64) and kavri_arch_reason (one line).
kavri_choose_arch() {
  case "${KAVRI_ARCH:-}" in
    32) kavri_arch=32; kavri_arch_reason="KAVRI_ARCH=32 forces the 32-bit build" ;;
    64) kavri_arch=64; kavri_arch_reason="KAVRI_ARCH=64 forces the 64-bit build" ;;
    "")
      if kavri_can_run_32bit; then
        kavri_arch=32; kavri_arch_reason="32-bit Linux programs run here, so 32-bit Wine does"
      else
        kavri_arch=64; kavri_arch_reason="32-bit Linux programs cannot run here (/lib/ld-linux.so.2 does not execute)"
      fi ;;
    *) echo "KAVRI_ARCH must be 32 or 64, not '$KAVRI_ARCH'" >&2; return 1 ;;
  esac
}
