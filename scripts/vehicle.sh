# Sourced by run.sh, test.sh, bench.sh and setup.sh: which Windows build this host can
# prove the installer with, decided once by trying to start a tiny 32-bit Linux program
# (a kernel may be built or booted without 32-bit support, whatever its version).
#   QS_HOST_RUNS_32BIT  yes or no (the probe's answer; kept for nested scripts)
#   QS_VEHICLE          i686: the shipped 32-bit build, in a 32-bit and a WoW64 prefix;
#                       x86_64: the same sources built for x86-64, in a 64-bit prefix
#                       under Wine's 64-bit loader. Set it to x86_64 beforehand to force
#                       the 64-bit vehicle on any host.
#   QS_VEHICLE_WHY      why this vehicle ("this host runs no 32-bit programs")
#   QS_VEHICLE_WHAT     what it is ("the x86-64 build under 64-bit Wine")
#   QS_VEHICLE_TREE     the build folder's name under build/: win or win64
#   QS_VEHICLE_TOOLCHAIN, QS_VEHICLE_LOADER (wine or wine64), QS_VEHICLE_MINGW (prefix)

# The probe: a static i386 ELF program of 91 bytes that only calls exit(0). Its parts, in
# file order (little-endian; the file is mapped whole at 0x08048000, code at +0x54):
qs_probe_bytes() {
  # ELF header, 52 bytes:
  printf '%b' \
    '\x7fELF\x01\x01\x01\x00' '\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00' '\x03\x00' '\x01\x00\x00\x00' \
    '\x54\x80\x04\x08' '\x34\x00\x00\x00' '\x00\x00\x00\x00' '\x00\x00\x00\x00' \
    '\x34\x00' '\x20\x00' '\x01\x00' '\x00\x00' '\x00\x00' '\x00\x00'
  #   magic, 32-bit, little-endian, version 1 | padding | executable | i386 | version 1
  #   entry 0x08048054 | program headers at 52 | no section headers | no flags
  #   header size 52 | program header size 32 | one program header | no section headers
  # The one program header, 32 bytes: a loadable segment of the whole file (0x5b bytes),
  # read and execute, page-aligned:
  printf '%b' \
    '\x01\x00\x00\x00' '\x00\x00\x00\x00' '\x00\x80\x04\x08' '\x00\x80\x04\x08' \
    '\x5b\x00\x00\x00' '\x5b\x00\x00\x00' '\x05\x00\x00\x00' '\x00\x10\x00\x00'
  #   PT_LOAD | file offset 0 | virtual and physical address 0x08048000
  #   size in the file and in memory | R+X | alignment 4096
  # The code, 7 bytes: xor ebx,ebx; xor eax,eax; inc eax (exit); int 0x80.
  printf '%b' '\x31\xdb' '\x31\xc0' '\x40' '\xcd\x80'
}

# Writes the probe to a new file in dir and prints its path.
qs_write_probe() {
  local dir=$1 probe
  mkdir -p "$dir" || return 1
  probe=$(mktemp "$dir/probe32.XXXXXX") || return 1
  qs_probe_bytes >"$probe" && chmod +x "$probe" && echo "$probe"
}

# Starts the probe; answers yes or no.
qs_probe_32bit() {
  local probe
  probe=$(qs_write_probe "$1") || { echo no; return 0; }
  if "$probe" 2>/dev/null; then echo yes; else echo no; fi
  rm -f "$probe"
}

# The decision alone: forced vehicle (or empty), probe answer -> "VEHICLE<TAB>WHY".
qs_vehicle_decide() {
  local forced=$1 runs32=$2
  case "$forced:$runs32" in
    x86_64:yes) printf 'x86_64\tQS_VEHICLE=x86_64 asks for it\n' ;;
    x86_64:no|:no) printf 'x86_64\tthis host runs no 32-bit programs\n' ;;
    :yes | i686:yes) printf 'i686\tthis host runs 32-bit programs\n' ;;
    i686:no) printf 'none\tQS_VEHICLE=i686 asks for the 32-bit build, but this host runs no 32-bit programs\n' ;;
    *) printf 'none\tQS_VEHICLE=%s is neither i686 nor x86_64\n' "$forced" ;;
  esac
}

qs_choose_vehicle() {  # build folder (for the probe)
  local decision
  [ -n "${QS_HOST_RUNS_32BIT:-}" ] || QS_HOST_RUNS_32BIT=$(qs_probe_32bit "$1")
  decision=$(qs_vehicle_decide "${QS_VEHICLE:-}" "$QS_HOST_RUNS_32BIT")
  QS_VEHICLE=${decision%%$'\t'*}
  QS_VEHICLE_WHY=${decision#*$'\t'}
  export QS_HOST_RUNS_32BIT QS_VEHICLE QS_VEHICLE_WHY
  case "$QS_VEHICLE" in
    i686) QS_VEHICLE_TREE=win QS_VEHICLE_LOADER=wine QS_VEHICLE_WHAT="the shipped 32-bit build under Wine" ;;
    x86_64) QS_VEHICLE_TREE=win64 QS_VEHICLE_LOADER=wine64 QS_VEHICLE_WHAT="the x86-64 build under 64-bit Wine" ;;
    *) echo "vehicle: $QS_VEHICLE_WHY" >&2; return 1 ;;
  esac
  QS_VEHICLE_MINGW=$QS_VEHICLE-w64-mingw32
  QS_VEHICLE_TOOLCHAIN=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/cmake/mingw-$QS_VEHICLE.cmake
  export QS_VEHICLE_TREE QS_VEHICLE_LOADER QS_VEHICLE_WHAT QS_VEHICLE_MINGW QS_VEHICLE_TOOLCHAIN
}
