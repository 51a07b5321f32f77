#!/usr/bin/env bash
# Writes the stand-in station firmware image product/Quill_Frmw_1.6.0.hex (Intel HEX,
# CRLF line ends). The output is fully determined by this script: run it again only
# when the image itself should change, and commit the result; the build uses the
# committed file.
#   make-firmware-hex.sh [OUTPUT]
#
# Image layout (a Cortex-M style application above a 48 KiB boot loader):
#   0x0800C000  vector table: initial stack pointer, then handler addresses
#   0x0800C100  identification block: magic, version, build text
#   ...         code-like bytes from a fixed pseudo-random sequence
#   end         ASCII strings of the station's messages
# Records: extended linear address (04) at the start and at each 64 KiB boundary,
# 16-byte data records (00), start linear address (05), end of file (01).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/product/Quill_Frmw_1.6.0.hex}

readonly BASE=$((0x0800C000))
readonly IMAGE_SIZE=42752           # 2672 data records of 16 bytes
readonly RECORD_BYTES=16
readonly STACK_TOP=$((0x20008000))
readonly RESET_HANDLER=$((0x0800C1C1))   # Thumb address: low bit set
readonly VECTOR_COUNT=48
readonly ID_OFFSET=$((0x100))
readonly CODE_OFFSET=$((0x180))

image=()

put32() {  # offset value: little-endian word
  local at=$1 v=$2
  image[at]=$((v & 0xFF)); image[at+1]=$(((v >> 8) & 0xFF))
  image[at+2]=$(((v >> 16) & 0xFF)); image[at+3]=$(((v >> 24) & 0xFF))
}

puttext() {  # offset text: bytes of text and a terminating zero; sets next_at after them
  local at=$1 text=$2 i
  for ((i = 0; i < ${#text}; i++)); do
    printf -v "image[at+i]" '%d' "'${text:i:1}"
  done
  image[at+${#text}]=0
  next_at=$((at + ${#text} + 1))
}

# Vector table: stack top, reset handler, then handlers spread over the code area.
put32 0 $STACK_TOP
put32 4 $RESET_HANDLER
for ((v = 2; v < VECTOR_COUNT; v++)); do
  put32 $((v * 4)) $((BASE + CODE_OFFSET + v * 0x1A4 + 1))
done
for ((i = VECTOR_COUNT * 4; i < ID_OFFSET; i++)); do image[i]=0; done

# Identification block, padded with 0xFF up to the code.
put32 $ID_OFFSET $((0x4C4C5551))         # "QULL"
put32 $((ID_OFFSET + 4)) $((0x00010600)) # 1.6.0
put32 $((ID_OFFSET + 8)) $IMAGE_SIZE
puttext $((ID_OFFSET + 12)) "Quill station firmware 1.6.0 (c) Velto"
for ((i = next_at; i < CODE_OFFSET; i++)); do image[i]=255; done

# Messages at the end of the image.
messages=("Pen carriage homed" "Paper guide open" "Ink low" "Page complete"
          "Calibrating carriage" "USB link up" "USB link down" "Firmware update ok"
          "Firmware update failed: checksum" "Stepper overcurrent on axis %c"
          "Quill station ready")
text_size=0
for m in "${messages[@]}"; do text_size=$((text_size + ${#m} + 1)); done
text_at=$((IMAGE_SIZE - text_size))

# Code-like bytes from the minimal standard generator (exact in 64-bit arithmetic).
seed=20160601
for ((i = CODE_OFFSET; i < text_at; i += 2)); do
  seed=$(((seed * 16807) % 2147483647))
  # Mostly Thumb-looking halfwords: keep the top bits in the common opcode ranges.
  half=$(((seed >> 7) & 0xFFFF))
  case $((seed % 5)) in
    0) half=$(((half & 0x07FF) | 0x4600)) ;;   # register moves
    1) half=$(((half & 0x0FFF) | 0x6000)) ;;   # loads and stores
    2) half=$(((half & 0x00FF) | 0xB500)) ;;   # push and pop
  esac
  image[i]=$((half & 0xFF))
  ((i + 1 < text_at)) && image[i+1]=$((half >> 8))
done
next_at=$text_at
for m in "${messages[@]}"; do puttext $next_at "$m"; done

# Records.
record() {  # type address16 data-bytes...
  local type=$1 address=$2; shift 2
  local count=$# sum line b
  sum=$((count + (address >> 8) + (address & 0xFF) + type))
  printf -v line ':%02X%04X%02X' $count $address $type
  for b in "$@"; do
    printf -v line '%s%02X' "$line" $b
    sum=$((sum + b))
  done
  printf '%s%02X\r\n' "$line" $(((0x100 - (sum & 0xFF)) & 0xFF))
}

{
  upper=-1
  for ((i = 0; i < IMAGE_SIZE; i += RECORD_BYTES)); do
    address=$((BASE + i))
    if (((address >> 16) != upper)); then
      upper=$((address >> 16))
      record 4 0 $((upper >> 8)) $((upper & 0xFF))
    fi
    record 0 $((address & 0xFFFF)) "${image[@]:i:RECORD_BYTES}"  # the array is dense
  done
  record 5 0 $((RESET_HANDLER >> 24)) $(((RESET_HANDLER >> 16) & 0xFF)) \
    $(((RESET_HANDLER >> 8) & 0xFF)) $((RESET_HANDLER & 0xFF))
  record 1 0
} > "$out.tmp"
mv "$out.tmp" "$out"
echo "wrote $out ($(wc -c < "$out") bytes)"
