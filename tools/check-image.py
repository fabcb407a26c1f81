#!/usr/bin/env python3
"""Checks Windows images of a build on the host for what would crash them at load or first call.

    check-image.py i686|x86_64 IMAGE...

For every image:
- each delay-import slot (found through the __DELAY_IMPORT_DESCRIPTOR_ symbols the build keeps)
  holds, before the first call, the address of a stub in executable code that loads exactly that
  slot and jumps to the tail-merge code of its own descriptor; the slot is rebased with the image;
  the name it loads is a plain export of its DLL (as the MinGW import library names it);
- every ordinary import and every export is named without a stdcall decoration ("Name@8"): the
  system DLLs and the programs that bind our modules look names up undecorated.
Prints one line per fault and exits 1 when there is any.
"""
import os
import re
import struct
import subprocess
import sys

EXEC = 0x20000000  # IMAGE_SCN_MEM_EXECUTE


class Image:
    def __init__(self, path):
        self.path = path
        with open(path, 'rb') as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b'MZ':
            raise ValueError('not a Windows image')
        pe = struct.unpack_from('<I', d, 0x3C)[0]
        if d[pe:pe + 4] != b'PE\0\0':
            raise ValueError('no PE signature')
        (self.machine, nsections, _, self.symtab, self.nsyms, opt_size,
         _) = struct.unpack_from('<HHIIIHH', d, pe + 4)
        opt = pe + 24
        magic = struct.unpack_from('<H', d, opt)[0]
        self.wide = magic == 0x20B
        if self.wide:
            self.base = struct.unpack_from('<Q', d, opt + 24)[0]
            ndirs = struct.unpack_from('<I', d, opt + 108)[0]
            dirs = opt + 112
        else:
            self.base = struct.unpack_from('<I', d, opt + 28)[0]
            ndirs = struct.unpack_from('<I', d, opt + 92)[0]
            dirs = opt + 96
        self.dirs = [struct.unpack_from('<II', d, dirs + 8 * i) for i in range(min(ndirs, 16))]
        self.sections = []
        sec = opt + opt_size
        for i in range(nsections):
            name, vsize, va, rawsize, rawptr = struct.unpack_from('<8sIIII', d, sec + 40 * i)
            flags = struct.unpack_from('<I', d, sec + 40 * i + 36)[0]
            self.sections.append((name.rstrip(b'\0').decode('latin-1'), va, max(vsize, rawsize),
                                  rawsize, rawptr, flags))
        self.pointer = 8 if self.wide else 4

    def section_of(self, rva):
        for s in self.sections:
            if s[1] <= rva < s[1] + s[2]:
                return s
        return None

    def read(self, rva, size):
        s = self.section_of(rva)
        if s is None:
            return None
        off = rva - s[1]
        if off + size > s[3]:
            return bytes(size) if off >= s[3] else self.data[s[4] + off:s[4] + s[3]] + bytes(
                off + size - s[3])
        return self.data[s[4] + off:s[4] + off + size]

    def u32(self, rva):
        b = self.read(rva, 4)
        return None if b is None else struct.unpack('<I', b)[0]

    def uptr(self, rva):
        b = self.read(rva, self.pointer)
        return None if b is None else struct.unpack('<Q' if self.wide else '<I', b)[0]

    def cstring(self, rva, limit=512):
        b = self.read(rva, limit)
        if b is None:
            return None
        end = b.find(b'\0')
        return None if end < 0 else b[:end].decode('latin-1')

    def symbols(self):
        """(name, va) of every symbol of the COFF table; empty for a stripped image."""
        if not self.symtab or not self.nsyms:
            return []
        d = self.data
        strings = self.symtab + 18 * self.nsyms
        out = []
        i = 0
        while i < self.nsyms:
            rec = self.symtab + 18 * i
            raw, value, secnum, _, _, naux = struct.unpack_from('<8sIhHBB', d, rec)
            if raw[:4] == b'\0\0\0\0':
                off = struct.unpack_from('<I', raw, 4)[0]
                end = d.find(b'\0', strings + off)
                name = d[strings + off:end].decode('latin-1')
            else:
                name = raw.rstrip(b'\0').decode('latin-1')
            if 0 < secnum <= len(self.sections):
                out.append((name, self.base + self.sections[secnum - 1][1] + value))
            i += 1 + naux
        return out

    def relocated(self):
        """RVAs the base relocations patch."""
        rva, size = self.dirs[5] if len(self.dirs) > 5 else (0, 0)
        out = set()
        pos = 0
        while pos + 8 <= size:
            page, block = struct.unpack('<II', self.read(rva + pos, 8))
            if block < 8:
                break
            entries = self.read(rva + pos + 8, block - 8)
            for (e,) in struct.iter_unpack('<H', entries):
                if e >> 12:
                    out.add(page + (e & 0xFFF))
            pos += block
        return out

    def imports(self):
        """(dll, [names]) of the ordinary import table; ordinals as '#n'."""
        rva = self.dirs[1][0] if len(self.dirs) > 1 else 0
        out = []
        while rva:
            desc = self.read(rva, 20)
            if desc is None:
                break
            lookup, _, _, name, first = struct.unpack('<IIIII', desc)
            if not (lookup or name or first):
                break
            names = self.thunk_names(lookup or first)
            out.append((self.cstring(name) or '?', names))
            rva += 20
        return out

    def thunk_names(self, rva):
        names = []
        flag = 1 << (63 if self.wide else 31)
        while True:
            entry = self.uptr(rva)
            if not entry:
                break
            names.append('#%d' % (entry & 0xFFFF) if entry & flag else (self.cstring(entry + 2) or '?'))
            rva += self.pointer
        return names

    def exports(self):
        rva = self.dirs[0][0] if self.dirs else 0
        if not rva:
            return []
        count = self.u32(rva + 24)
        names = self.u32(rva + 32)
        return [self.cstring(self.u32(names + 4 * i)) or '?' for i in range(count)]


def library_exports(arch, dll, cache={}):
    """Plain names the MinGW import library of a system DLL declares, or None without a library."""
    if dll in cache:
        return cache[dll]
    triple = '%s-w64-mingw32' % arch
    lib = '/usr/%s/lib/lib%s.a' % (triple, os.path.splitext(dll.lower())[0])
    names = None
    if os.path.exists(lib):
        out = subprocess.run([triple + '-nm', '-g', '--defined-only', lib], capture_output=True,
                             text=True).stdout
        prefix = '__imp__' if arch == 'i686' else '__imp_'
        names = {re.sub(r'@\d+$', '', s[len(prefix):]) for s in re.findall(r'\s(__imp_\S+)', out)
                 if s.startswith(prefix)}
    cache[dll] = names
    return names


def rel32_target(image, rva):
    """Target RVA of a rel32 operand at `rva` (relative to the end of the operand)."""
    b = image.read(rva, 4)
    return None if b is None else (rva + 4 + struct.unpack('<i', b)[0]) & 0xFFFFFFFF


def check_delay_stub(image, slot_rva, desc_rva):
    """Why the slot's stub would not load this slot through this descriptor, or None."""
    va = image.uptr(slot_rva)
    if not va:
        return 'holds 0: the first call jumps to address 0'
    stub = va - image.base
    sec = image.section_of(stub)
    if sec is None or not sec[5] & EXEC:
        return 'points at 0x%x, outside executable code' % va
    code = image.read(stub, 10)
    if image.wide:
        # lea rax,[rip+slot]; jmp tail-merge
        if code[:3] != b'\x48\x8d\x05' or rel32_target(image, stub + 3) != slot_rva:
            return 'stub at 0x%x does not load its own slot' % va
        if code[7] != 0xE9:
            return 'stub at 0x%x does not jump to a tail-merge' % va
        merge = rel32_target(image, stub + 8)
        body = image.read(merge, 0x40) or b''
        found = False
        for i in range(len(body) - 7):
            if body[i:i + 3] == b'\x48\x8d\x0d' and rel32_target(image, merge + i + 3) == desc_rva:
                found = True
                break
        if not found:
            return 'stub at 0x%x reaches a tail-merge of another descriptor' % va
    else:
        # mov eax,slot; jmp tail-merge, which starts: push ecx; push edx; push eax; push descriptor
        if code[0] != 0xB8 or struct.unpack_from('<I', code, 1)[0] != image.base + slot_rva:
            return 'stub at 0x%x does not load its own slot' % va
        if code[5] != 0xE9:
            return 'stub at 0x%x does not jump to a tail-merge' % va
        merge = rel32_target(image, stub + 6)
        head = image.read(merge, 8) or b''
        if head[:4] != b'\x51\x52\x50\x68' or struct.unpack_from('<I', head, 4)[0] != image.base + desc_rva:
            return 'stub at 0x%x reaches a tail-merge of another descriptor' % va
    return None


def check(arch, path):
    faults = []
    image = Image(path)
    name = os.path.basename(path)
    expected = 0x14C if arch == 'i686' else 0x8664
    if image.machine != expected:
        return ['%s: machine 0x%x, expected 0x%x' % (name, image.machine, expected)]

    symbols = image.symbols()
    descriptors = [va for sym, va in symbols if sym.startswith('__DELAY_IMPORT_DESCRIPTOR_')]
    merges = [sym for sym, _ in symbols if '__tailMerge_' in sym]
    if merges and not symbols:
        faults.append('%s: stripped; check the build tree copy' % name)
    if len(merges) != len(descriptors):
        faults.append('%s: %d delay-import descriptors but %d tail-merge routines'
                      % (name, len(descriptors), len(merges)))
    relocated = image.relocated()
    slots = 0
    for desc_va in descriptors:
        desc = desc_va - image.base
        fields = image.read(desc, 32)
        attrs, dll_rva, hmod_rva, iat, int_, _, _, _ = struct.unpack('<8I', fields)
        dll = image.cstring(dll_rva) if dll_rva else None
        if attrs != 1 or not dll or image.section_of(hmod_rva) is None:
            faults.append('%s: delay-import descriptor at 0x%x is not a valid RVA-based descriptor'
                          % (name, desc_va))
            continue
        known = library_exports(arch, dll)
        for index, import_name in enumerate(image.thunk_names(int_)):
            slot = iat + image.pointer * index
            slots += 1
            why = check_delay_stub(image, slot, desc)
            if why is None and slot not in relocated:
                why = 'is not rebased with the image: its stub address is wrong after a move'
            if why:
                faults.append('%s: delay import %s!%s: slot %s' % (name, dll, import_name, why))
            if '@' in import_name:
                faults.append('%s: delay import %s!%s is decorated' % (name, dll, import_name))
            elif known is not None and not import_name.startswith('#') and import_name not in known:
                faults.append('%s: delay import %s!%s is not an export of %s'
                              % (name, dll, import_name, dll))

    for dll, names in image.imports():
        for import_name in names:
            if '@' in import_name:
                faults.append('%s: import %s!%s is decorated' % (name, dll, import_name))
    for export in image.exports():
        if '@' in export:
            faults.append('%s: export %s is decorated' % (name, export))
    if not faults and slots:
        print('%s: %d delay-import slots resolved through %d descriptors'
              % (name, slots, len(descriptors)))
    return faults


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in ('i686', 'x86_64'):
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    faults = []
    for path in sys.argv[2:]:
        try:
            faults += check(sys.argv[1], path)
        except (OSError, ValueError, struct.error) as error:
            faults.append('%s: %s' % (os.path.basename(path), error))
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
