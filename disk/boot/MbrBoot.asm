; The boot code that "MBR erstellen" puts in front of the partition table: a plain loader
; for a PC BIOS. It moves itself out of the way to 0000:0600, runs an optional extension
; from the sectors behind it, checks the partition table and starts the active partition's
; boot sector with SI on its entry, as every partition boot sector expects.
;
; Layout of the 512 bytes (the dialog relies on it): code up to offset 246, the disk address
; packet at 247, the messages at 263, 289, 322, 349, 375 and 397, zeros from 440 (disk
; signature and partition table, filled in by the dialog) and 55 AA at 510.
;
;   nasm -f bin -o MbrBoot.bin MbrBoot.asm

        bits    16
        org     0x0600

BOOT_ADDR       equ     0x7C00          ; where the BIOS and we load boot sectors
EXT_ADDR        equ     0x6000          ; where the extension sectors go
EXT_SECTORS     equ     8
TABLE           equ     0x0600 + 446    ; the partition table after the move
TRIES           equ     5

start:
        cli
        xor     ax, ax
        mov     ss, ax
        mov     sp, BOOT_ADDR
        mov     ds, ax
        mov     es, ax
        sti
        cld
        mov     si, BOOT_ADDR
        mov     di, 0x0600
        mov     cx, 256
        rep     movsw
        jmp     0:moved                 ; on at the copy: 7C00 is needed for the next sector

moved:
        mov     si, msg_loader
        call    print

; The extension: sectors 2 to 9 of the first disk. A block that starts with 55 AA is called
; behind its signature and returns to us.
        mov     bp, TRIES
.ext_read:
        mov     ax, 0x0200 + EXT_SECTORS
        mov     bx, EXT_ADDR
        mov     cx, 0x0002              ; cylinder 0, sector 2
        mov     dx, 0x0080              ; head 0, first hard disk
        int     0x13
        jnc     .ext_loaded
        xor     ax, ax                  ; reset the disk before the next try
        int     0x13
        dec     bp
        jnz     .ext_read
        mov     si, msg_ext_error
        jmp     stop
.ext_loaded:
        cmp     word [EXT_ADDR], 0xAA55
        jne     check_table
        mov     si, msg_extension
        call    print
        call    0x0600:0x0002           ; = 0000:6002, the code behind the signature
        xor     ax, ax                  ; the extension may have used the segments
        mov     ds, ax
        mov     es, ax
        cld

; Exactly one entry may be active; an entry whose flag has bits 0x78 set, or any flag behind
; the active entry, is a damaged table.
check_table:
        mov     si, TABLE
        xor     di, di                  ; the active entry, none yet
        mov     cx, 4
        mov     bl, 0x78                ; the flag bits no entry may have ...
.entry:
        mov     al, [si]
        test    al, bl
        jnz     invalid_table
        test    al, al
        jns     .next
        mov     di, si
        mov     bl, 0xFF                ; ... and behind the active entry: none at all
.next:
        add     si, 16
        loop    .entry
        test    di, di
        jnz     load_boot_sector
        int     0x18                    ; nothing to boot: back to the BIOS
        jmp     halt

invalid_table:
        mov     si, msg_invalid
        jmp     stop

; The active partition's first sector to 0000:7C00: by LBA when the BIOS has the disk
; extensions, else (or when that read fails) by the entry's own C/H/S.
load_boot_sector:
        mov     bp, TRIES
.read:
        mov     ah, 0x41
        mov     bx, 0x55AA
        mov     dl, [di]
        int     0x13
        jc      .by_chs
        cmp     bx, 0xAA55
        jne     .by_chs
        mov     eax, [di + 8]
        mov     [dap_lba], eax
        ; A failed extended read leaves in the packet's count the sectors it moved, 0 most of
        ; the time; read with that count, the next try would succeed without moving a byte and
        ; start what 7C00 still holds (this loader). The count is set again for every try.
        mov     si, dap
        mov     word [si + dap_count - dap], 1
        mov     ah, 0x42
        mov     dl, [di]
        int     0x13
        jnc     .loaded
.by_chs:
        mov     dx, [di]                ; drive (the flag 80h) and head
        mov     cx, [di + 2]            ; sector and cylinder
        mov     bx, BOOT_ADDR
        mov     ax, 0x0201
        int     0x13
        jnc     .loaded
        mov     dl, [di]
        xor     ax, ax
        int     0x13
        dec     bp
        jnz     .read
        mov     si, msg_load_error
        jmp     stop
.loaded:
        cmp     word [BOOT_ADDR + 510], 0xAA55
        jne     .missing
        mov     si, di
        jmp     0:BOOT_ADDR
.missing:
        mov     si, msg_missing
        ; falls through

stop:
        call    print
halt:
        jmp     halt

; Teletype output of the zero-terminated text at SI.
print:
        lodsb
        test    al, al
        jz      .done
        mov     ah, 0x0E
        mov     bx, 0x0007
        int     0x10
        jmp     print
.done:
        ret

code_end:
%if code_end - start > 247
%error "the boot code runs into the disk address packet"
%endif
        times   247 - ($ - $$) db 0

dap:    db      16, 0                   ; size, reserved
dap_count:
        dw      1                       ; one sector (the BIOS puts the count read here)
        dw      BOOT_ADDR, 0            ; to 0000:7C00
dap_lba:
        dd      0, 0

msg_invalid:    db      "Invalid partition table", 10, 13, 0
msg_load_error: db      "Error loading operating system", 10, 13, 0
msg_missing:    db      "Missing operating system", 10, 13, 0
msg_ext_error:  db      "Error loading extension", 10, 13, 0
msg_loader:     db      "Start QN-BootLoader", 10, 13, 0
msg_extension:  db      "Start QN-Extension", 10, 13, 0

%if msg_invalid - $$ != 263 || msg_load_error - $$ != 289 || msg_missing - $$ != 322
%error "message offsets moved"
%endif
%if msg_ext_error - $$ != 349 || msg_loader - $$ != 375 || msg_extension - $$ != 397
%error "message offsets moved"
%endif

        times   510 - ($ - $$) db 0
        db      0x55, 0xAA
