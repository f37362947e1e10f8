; The boot sector of a FAT12, FAT16 or FAT32 file system: the BIOS parameter block, the
; extended block with the volume's serial number, label and type, and the signature.
; Put the hex cursor on the sector's first byte (sector 0 of an image made by mkfs.fat, else
; the first sector of the partition) and refresh the data window.
MODUL "FAT-Bootsektor"
:start BYTE "Sprungbefehl" 3 #H
STRING "OEM-Name" 8
WORD "Bytes pro Sektor"
BYTE "Sektoren pro Cluster"
WORD "Reservierte Sektoren"
BYTE "Anzahl FATs"
WORD "Stammverzeichnis-Eintraege"
WORD "Sektoren (16 Bit)"
BYTE "Medium" #H"0xF8:Festplatte:0xF0:Diskette:"
:fat16size WORD "Sektoren pro FAT"
WORD "Sektoren pro Spur"
WORD "Koepfe"
DWORD "Versteckte Sektoren"
DWORD "Sektoren (32 Bit)"
; FAT32 keeps 0 in the 16-bit FAT size; its own fields come first, the extended block at 64.
IF fat16size == 0 GOTO fat32
:extended BYTE "Laufwerksnummer" #H
SEEK 1
BYTE "Erweiterte Signatur" #H"0x29:Kennung, Name und Typ folgen:"
DWORD "Volume-ID" #H
STRING "Volume-Name" 11
STRING "Dateisystem" 8
; The last two bytes of the sector, counted from its first byte wherever the cursor stood.
SEEK start 510 #M
WORD "Signatur" #H"0xAA55:in Ordnung:?:fehlt:"
EXIT
:fat32 DWORD "Sektoren pro FAT (32 Bit)"
WORD "Flags" #H
WORD "Version" #H
DWORD "Stammverzeichnis-Cluster"
WORD "FSInfo-Sektor"
WORD "Sicherungs-Bootsektor"
SEEK 12
GOTO extended
