#!/usr/bin/env bash
# Whether this machine's kernel runs 32-bit x86 code, so that 32-bit Wine (and with it the shipped
# i686 build) can run here: a tiny static i386 program must start and exit with its code. Exits 0
# when it does; otherwise prints why not and exits 1. Machines of one kind differ in this.
set -u
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '.globl _start\n_start: movl $1,%%eax\n movl $42,%%ebx\n int $0x80\n' >"$dir/t.s"
if ! as --32 "$dir/t.s" -o "$dir/t.o" 2>/dev/null || ! ld -m elf_i386 "$dir/t.o" -o "$dir/t" 2>/dev/null; then
    echo "the host binutils cannot make an i386 test program"
    exit 1
fi
"$dir/t" 2>/dev/null
code=$?
[ $code = 42 ] && exit 0
echo "this machine's kernel does not run 32-bit code (IA-32 emulation is off: an i386 program exits with $code)"
exit 1
