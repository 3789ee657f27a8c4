# Sourced by the scripts that run Orvane's programs. Needs $build.
# orv_runs_32bit: whether this machine's CPU gives user code a 32-bit mode.
# Some virtual machines give no 32-bit code segment (0x23), which both 32-bit
# Wine and WoW64 need; there Wine hangs in wineboot, so the programs run in an
# emulated machine instead (scripts/in-vm.sh). Asks the CPU (lar) rather than
# starting a 32-bit program: a binfmt emulator makes those start anyway.
orv_runs_32bit() {
  local probe="$build/cpu32-probe"
  if [ ! -x "$probe" ] && command -v cc >/dev/null; then
    mkdir -p "$build"
    printf '%s\n' 'int main(void) { unsigned ar = 0; unsigned char ok;' \
      '  __asm__("lar %2, %0; setz %1" : "=r"(ar), "=q"(ok) : "r"(0x23u) : "cc");' \
      '  return !(ok && (ar & 0x60f800) == 0x40f800); }' |
      cc -x c -o "$probe" - 2>/dev/null || true
  fi
  [ ! -x "$probe" ] || "$probe"
}

# How many times slower Orvane's programs run in the emulated machine than on
# the machine itself, as the tests' time limits allow for it.
orv_emulated_time_scale=8

# The factor for the tests' time limits where the programs will run.
orv_time_scale() {
  if [ -n "${ORV_IN_VM:-}" ] || ! orv_runs_32bit; then echo "$orv_emulated_time_scale"; else echo 1; fi
}

# Where the tests split into the two parts that two emulated machines run at
# once: the first test of the second part. Its place halves the run's time.
orv_second_part_from=encryptor_interop
