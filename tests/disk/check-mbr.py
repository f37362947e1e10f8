#!/usr/bin/env python3
"""Checks the master boot records that the disk suite wrote into <build>/mbr-check:

1. sfdisk -J and fdisk -x must read every partition as the suite laid it out (expected.txt:
   name, partition, first sector, sectors, type, boot flag, start and end C/H/S).
2. The boot code must behave in a real BIOS: QEMU (SeaBIOS, no KVM) boots copies of the
   records with a partition boot sector assembled here by nasm, which reports the SI it was
   started with on the debug console and ends QEMU through the debug-exit port. Messages the
   loader prints are read from the text screen through the monitor.

    check-mbr.py <build>/mbr-check
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

PAYLOAD = r"""
        bits 16
        org 0x7C00
        mov bx, si
        mov si, text
.put:   lodsb
        test al, al
        jz .hex
        out 0xE9, al
        jmp .put
.hex:   mov cx, 4
.digit: rol bx, 4
        mov al, bl
        and al, 15
        add al, '0'
        cmp al, '9'
        jbe .out
        add al, 7
.out:   out 0xE9, al
        loop .digit
        mov al, 10
        out 0xE9, al
        mov al, 0x21
        out 0xF4, al
.halt:  jmp .halt
text:   db "BOOT SI=", 0
        times 510 - ($ - $$) db 0
%ifdef SIGNED
        db 0x55, 0xAA
%else
        db 0, 0
%endif
"""

# Eight sectors behind the MBR; called at 0600:0002, it returns to the loader.
EXTENSION = r"""
        bits 16
        org 0
        db 0x55, 0xAA
        mov al, 'E'
        out 0xE9, al
        mov al, 'X'
        out 0xE9, al
        mov al, 'T'
        out 0xE9, al
        mov al, 10
        out 0xE9, al
        retf
        times 8 * 512 - ($ - $$) db 0
"""

QEMU = ["qemu-system-i386", "-display", "none", "-no-reboot", "-net", "none", "-serial", "none",
        "-device", "isa-debug-exit,iobase=0xf4,iosize=1"]

failures = []


def fail(text):
    failures.append(text)
    print("FAIL: " + text)


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, env=dict(os.environ, LC_ALL="C"), **kw)


def check_tools(folder):
    expected = {}
    for line in open(os.path.join(folder, "expected.txt")):
        name, part, start, size, ptype, boot, first, last = line.split()
        expected.setdefault(name, {})[int(part)] = (int(start), int(size), int(ptype, 16), boot == "1", first, last)
    for name, parts in sorted(expected.items()):
        image = os.path.join(folder, name + ".img")
        table = json.loads(run(["sfdisk", "-J", image]).stdout)["partitiontable"]["partitions"]
        seen = {int(p["node"][len(image):]): p for p in table}
        if sorted(seen) != sorted(parts):
            fail("%s: sfdisk sees partitions %s, expected %s" % (name, sorted(seen), sorted(parts)))
            continue
        chs = {}
        for line in run(["fdisk", "-x", image]).stdout.splitlines():
            if line.startswith(image):
                addresses = re.findall(r"\b\d+/\d+/\d+\b", line)
                chs[int(line[len(image):].split()[0])] = tuple(addresses[:2])
        for n, (start, size, ptype, boot, first, last) in parts.items():
            p = seen[n]
            got = (p["start"], p["size"], int(p["type"], 16), bool(p.get("bootable")))
            if got != (start, size, ptype, boot):
                fail("%s partition %d: sfdisk reads %s, expected %s" % (name, n, got, (start, size, ptype, boot)))
            if chs.get(n) != (first, last):
                fail("%s partition %d: fdisk reads C/H/S %s, expected %s" % (name, n, chs.get(n), (first, last)))


def assemble(work, source, name, *defines):
    path = os.path.join(work, name)
    with open(path + ".asm", "w") as f:
        f.write(source)
    subprocess.run(["nasm", "-f", "bin"] + ["-D" + d for d in defines] + ["-o", path + ".bin", path + ".asm"],
                   check=True)
    return open(path + ".bin", "rb").read()


def patched(work, base, name, patches):
    path = os.path.join(work, name + ".img")
    shutil.copyfile(base, path)
    with open(path, "r+b") as f:
        for offset, data in patches:
            f.seek(offset)
            f.write(data)
    return path


def screen_text(dump):
    data = open(dump, "rb").read() if os.path.exists(dump) else b""
    return data[0::2].decode("latin-1")


def boot(work, image, wait_for_screen=None):
    """Boots the image; returns (debug console text, screen text). Without wait_for_screen the
    payload ends QEMU; with it the loader halts and the screen is read until the text shows."""
    debug = os.path.join(work, "debug.txt")
    dump = os.path.join(work, "screen.bin")
    for f in (debug, dump):
        if os.path.exists(f):
            os.remove(f)
    args = QEMU + ["-drive", "file=%s,format=raw,if=ide" % image,
                   "-chardev", "file,id=dbg,path=" + debug, "-device", "isa-debugcon,iobase=0xe9,chardev=dbg",
                   "-monitor", "stdio"]
    q = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, text=True)
    deadline = time.time() + 30
    try:
        while q.poll() is None and time.time() < deadline:
            time.sleep(0.2)
            q.stdin.write('pmemsave 0xb8000 4000 "%s"\n' % dump)
            q.stdin.flush()
            if wait_for_screen and wait_for_screen in screen_text(dump):
                break
        if q.poll() is None:
            q.stdin.write("quit\n")
            q.stdin.flush()
    except BrokenPipeError:
        pass
    try:
        q.wait(timeout=10)
    except subprocess.TimeoutExpired:
        q.kill()
    text = open(debug, encoding="latin-1").read() if os.path.exists(debug) else ""
    return text, screen_text(dump)


def check_boots(folder):
    base = os.path.join(folder, "defaults.img")
    work = tempfile.mkdtemp(prefix="mbr-boot-")
    try:
        signed = assemble(work, PAYLOAD, "payload", "SIGNED")
        unsigned = assemble(work, PAYLOAD, "unsigned")
        extension = assemble(work, EXTENSION, "extension")
        entry = 446
        cases = [
            ("the active entry boots with SI on it", [(63 * 512, signed)], "BOOT SI=07BE", None),
            ("the extension runs first", [(63 * 512, signed), (512, extension)], "EXT\nBOOT SI=07BE", None),
            ("flag bit 0x40", [(63 * 512, signed), (entry + 16, b"\x40")], "", "Invalid partition table"),
            ("two active entries", [(63 * 512, signed), (entry + 16, b"\x80")], "", "Invalid partition table"),
            ("no signature", [(63 * 512, unsigned)], "", "Missing operating system"),
            ("LBA past the end: C/H/S", [(63 * 512, signed), (entry + 8, b"\x00\xff\xff\xff")], "BOOT SI=07BE",
             None),
        ]
        for title, patches, debug_expected, screen_expected in cases:
            image = patched(work, base, "case", patches)
            debug, screen = boot(work, image, screen_expected)
            if debug_expected and debug_expected not in debug:
                fail("%s: debug console %r, expected %r" % (title, debug, debug_expected))
            if screen_expected and screen_expected not in screen:
                fail("%s: screen %r lacks %r" % (title, " ".join(screen.split()), screen_expected))
            if not debug_expected and "BOOT" in debug:
                fail("%s: the payload ran" % title)
        # The second entry active (the first one's values moved there): SI points to entry 2.
        with open(base, "rb") as f:
            f.seek(entry)
            first = f.read(16)
        image = patched(work, base, "second", [(63 * 512, signed), (entry, bytes(16)), (entry + 16, first)])
        debug, _ = boot(work, image)
        if "BOOT SI=07CE" not in debug:
            fail("second entry active: debug console %r" % debug)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    folder = sys.argv[1]
    if not os.path.exists(os.path.join(folder, "expected.txt")):
        print("FAIL: %s holds no records: did the disk suite run?" % folder)
        return 1
    check_tools(folder)
    check_boots(folder)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
