// Printers of the partitioning of a disk: the master boot record, the GPT header with its
// two CRC checks, and the sectors of the GPT partition entry array.
#include "app/printers/StructurePrinter.h"

#include <string.h>

#include "disk/OnDiskBytes.h"
#include "services/ByteUtils.h"
#include "textlib/StrPrintf.h"

namespace {

struct MbrTypeName {
    uint8_t code;
    const char* name;
};

// GUID texts in the form FormatGuidText gives for the bytes on disk.
struct GptTypeName {
    const char* guid;
    const char* name;
};

// A GUID text and, after it, the two hex digits of the MBR type that the GUID replaces.
struct GptTypeKey {
    const char* key;
    const char* name;
};

// Names of the classic partition types, by type code.
const MbrTypeName MbrTypeNames[] = {
    {0x01, "FAT12"},
    {0x02, "Xenix"},
    {0x03, "Xenix"},
    {0x04, "FAT16 (max. 32 MB)"},
    {0x05, "extended DOS-Partition  (max. 2 GB)"},
    {0x06, "FAT16 (max. 2 GB)"},
    {0x07, "HPFS/NTFS"},
    {0x08, "AIX"},
    {0x09, "AIX bootable"},
    {0x0A, "OS/2 Bootmanager"},
    {0x0B, "FAT32 (CHS Adressierung)"},
    {0x0C, "FAT32 (LBA Adressierung)"},
    {0x0E, "FAT16 (LBA Adressierung)"},
    {0x0F, "extended Partition  (LBA,mehr als 1024 Zylinder)"},
    {0x10, "OPUS"},
    {0x11, "hidden FAT12"},
    {0x12, "Compaq diagnost"},
    {0x14, "hidden FAT16 bis 32MB"},
    {0x16, "hidden FAT16"},
    {0x17, "hidden HPFS / NTFS"},
    {0x18, "AST Windows swap"},
    {0x1B, "hidden WIN95 FAT32"},
    {0x1C, "hidden WIN95 FAT32 (LBA)"},
    {0x1E, "hidden WIN95 FAT16 (LBA)"},
    {0x24, "NEC DOS"},
    {0x39, "Plan 9"},
    {0x3C, "Partition Magic"},
    {0x40, "Venix 80286"},
    {0x41, "PPC PReP boot"},
    {0x42, "SFS"},
    {0x4D, "QNX4.x"},
    {0x4E, "QNX4.x 2nd partition"},
    {0x4F, "QNX4.x 3rd partition"},
    {0x50, "OnTrack DM"},
    {0x51, "OnTrack DM6 Aux"},
    {0x52, "CP/M"},
    {0x53, "OnTrack DM6 Aux"},
    {0x54, "OnTrack DM6"},
    {0x55, "EZ-Drive"},
    {0x56, "Golden Bow"},
    {0x5C, "Priam Edisk"},
    {0x61, "Speed Stor"},
    {0x63, "GNU HURD or SYS"},
    {0x64, "Novell NetWare"},
    {0x65, "Novell"},
    {0x70, "Disk Secure Mult"},
    {0x75, "UNIX PC/IX"},
    {0x80, "aktiv (old Minix)"},
    {0x81, "Booten von Laufwerk D:"},
    {0x82, "Linux Swap"},
    {0x83, "Linux native"},
    {0x84, "OS/2 hidden C:"},
    {0x85, "LINUX extended"},
    {0x86, "NTFS volume set"},
    {0x87, "NTFS volume set"},
    {0x8E, "LINUX LVM"},
    {0x93, "Amoebla"},
    {0x94, "Amoebla BBT"},
    {0x9F, "BSD/OS"},
    {0xA0, "IBM Thinkpad hidden"},
    {0xA5, "BSD/386"},
    {0xA6, "Open BSD"},
    {0xA7, "NeXT STEP"},
    {0xB7, "BSDI fs"},
    {0xB8, "BSDI swap"},
    {0xC1, "DRDOS/sec (FAT32)"},
    {0xC4, "DRDOS/sec (FAT32(LB))"},
    {0xC6, "DRDOS/sec (FAT16(LB))"},
    {0xC7, "Syrinx"},
    {0xDA, "Non-Fs data"},
    {0xDB, "Concurrent DOS , CP/M , CTOS"},
    {0xDE, "Dell Utility"},
    {0xE1, "DOS access"},
    {0xE3, "DOS R/O"},
    {0xE4, "Speed Stor"},
    {0xEB, "BeOS fs"},
    {0xEE, "EFI GPT"},
    {0xEF, "EFI (FAT12/16/32)"},
    {0xF1, "Speed Stor"},
    {0xF2, "DOS secondary"},
    {0xF4, "Speed Stor"},
    {0xFD, "LINUX raid auto"},
    {0xFE, "LANstep"},
    {0xFF, "BBT"},
    {0, nullptr}};

// The type GUIDs of the German names; the two bytes of the fourth group stand as on disk.
const GptTypeName GptTypeNames[] = {
    {"00000000-0000-0000-0000-000000000000", "Unbenutzt"},
    {"D3BFE2DE-3DAF-11DF-BA40-E3A556D89593", "Intel Fast Flash (iFFS) Partition"},
    {"024DEE41-33E7-11D3-9D69-0008C781F39F", "MBR"},
    {"C12A7328-F81F-11D2-BA4B-00A0C93EC93B", "EFI-Systempartition (ESP)"},
    {"21686148-6449-6E6F-744E-656564454649", "BIOS-Bootpartition"},
    {"E3C9E316-0B5C-4DB8-817D-F92DF00215AE", "Microsoft reservierte Partition (MSR)"},
    {"DE94BBA4-06D1-4D40-A16A-BFD50179D6AC", "Microsoft Wiederherstellungspartition"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", "Basic Data Partition"},
    {"5808C8AA-7E8F-42E0-85D2-E1E90434CFB3", "Logical Disk Manager Partition für Meta-Daten"},
    {"AF9B60A0-1431-4F62-BC68-3311714A69AD", "Logical Disk Manager Partition für Daten"},
    {"75894C1E-3AEB-11D3-B7C1-7B03A0000000", "HP-UX \tPartition für HP-UX-LVM"},
    {"E2A1E728-32E3-11D6-A682-7B03A0000000", "Service Partition"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", "Linux Datapartition (old)"},
    {"0FC63DAF-8483-4772-8E79-3D69D8477DE4", "Linux Datapartition"},
    {"933AC7E1-2EB4-4F13-B844-0E14E2AEF915", "/home partition"},
    {"A19D880F-05FC-4D3B-A006-743F0F84911E", "RAID partition"},
    {"0657FD6D-A4AB-43C4-84E5-0933C84B4F4F", "Swap partition"},
    {"E6D6D379-F507-44C2-A23C-238F2A3DF928", "Partition für Linux-LVM"},
    {"7FFEC5C9-2D00-49B7-8941-3EA10A5586B7", "plain dm-crypt Partition"},
    {"CA7D7CCB-63ED-4C53-861C-1742536059CC", "LUKS Partition"},
    {"8DA63339-0007-60C0-C436-083AC8230908", "Reserved"},
    {"516E7CB4-6ECF-11D6-8FF8-00022D09712B", "FreeBSD Data partition"},
    {"516E7CB5-6ECF-11D6-8FF8-00022D09712B", "Swap partition"},
    {"516E7CB6-6ECF-11D6-8FF8-00022D09712B", "Unix File System (UFS)"},
    {"516E7CB8-6ECF-11D6-8FF8-00022D09712B", "Partition für FreeBSD-LVM (Vinum)"},
    {"516E7CBA-6ECF-11D6-8FF8-00022D09712B", "ZFS partition"},
    {"48465300-0000-11AA-AA11-00306543ECAC", "Mac OS X (HFS+)"},
    {"55465300-0000-11AA-AA11-00306543ECAC", "Partition für UFS"},
    {"53746F72-6167-11AA-AA11-00306543ECAC", "Partition für CoreStorage (verschlüsselt)"},
    {"53746F72-6167-11AA-AA11-00306543ECAC", "Partition eines Fusion Drive"},
    {"426F6F74-0000-11AA-AA11-00306543ECAC", "Partition für Boot-Unterstützung"},
    {"52414944-0000-11AA-AA11-00306543ECAC", "Partition für Software-RAID"},
    {"5265636F-7665-11AA-AA11-00306543ECAC", "Partition für Apple TV Recovery"},
    {"6A82CB45-1DD2-11B2-99A6-080020736631", "Solaris Boot partition"},
    {"6A85CF4D-1DD2-11B2-99A6-080020736631", "Root partition"},
    {"6A87C46F-1DD2-11B2-99A6-080020736631", "Swap partition"},
    {"6A8B642B-1DD2-11B2-99A6-080020736631", "Backup partition"},
    {"6A898CC3-1DD2-11B2-99A6-080020736631", "/usr partition"},
    {"6A8EF2E9-1DD2-11B2-99A6-080020736631", "/var partition"},
    {"6A90BA39-1DD2-11B2-99A6-080020736631", "/home partition"},
    {"6A9283A5-1DD2-11B2-99A6-080020736631", "EFI_ALTSCTR"},
    {"6A945A3B-1DD2-11B2-99A6-080020736631", "Reservierte Partition"},
    {"6A9630D1-1DD2-11B2-99A6-080020736631", "Reservierte Partition"},
    {"6A980767-1DD2-11B2-99A6-080020736631", "Reservierte Partition"},
    {"6A96237F-1DD2-11B2-99A6-080020736631", "Reservierte Partition"},
    {"6A8D2AC7-1DD2-11B2-99A6-080020736631", "Reservierte Partition"},
    {nullptr, nullptr}};

// Names of further GPT types, the key being the GUID text and the MBR type it replaces.
const GptTypeKey GptTypeKeys[] = {
    {"00000000-0000-0000-0000-00000000000000", "Unused entry"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C701", "FAT-12"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C704", "FAT-16 < 32MB"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C706", "FAT-16"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C707", "NTFS"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C70b", "FAT-32"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C70c", "FAT-32 LBA"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C70e", "FAT-16 LBA"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C711", "FAT-12 (versteckt)"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C714", "FAT-16 < 32MB (versteckt)"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C716", "FAT-16 (versteckt)"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C717", "NTFS (oder HPFS) (versteckt)"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C71b", "FAT-32 (versteckt)"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C71c", "FAT-32 LBA (versteckt)"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C71e", "FAT-16 LBA (versteckt)"},
    {"E3C9E316-0B5C-4DB8-817D-F92DF00215AE0c", "Windows (EFI) (FAT-32 LBA)"},
    {"DE94BBA4-06D1-4D40-A16A-BFD50179D6AC27", "Windows RE"},
    {"7412F7D5-A156-4B13-81DC-86717492932530", "ONIE boot"},
    {"D4E6E2CD-4469-46F3-B5CB-1BFF57AFC14930", "ONIE config"},
    {"9E1A2D38-C612-4316-AA26-8B49521E5A8B41", "PowerPC PReP boot"},
    {"AF9B60A0-1431-4F62-BC68-3311714A69AD42", "Windows LDM data"},
    {"5808C8AA-7E8F-42E0-85D2-E1E90434CFB342", "Windows LDM metadata"},
    {"E75CAF8F-F680-4CEE-AFA3-B001E56EFC2D42", "Windows Storage Spaces"},
    {"37AFFC90-EF7D-4E96-91C3-2D7AE055B17475", "IBM GPFS"},
    {"FE3A2A5D-4F32-41A7-B725-ACCC3285A3097f", "Chromebook"},
    {"3CB8E202-3B7E-47DD-8A3C-7FF2A13CFCEC7f", "ChromeOS root"},
    {"2E0A753D-9E48-43B0-8337-B15192CB1B5E7f", "ChromeOS reserved"},
    {"0657FD6D-A4AB-43C4-84E5-0933C84B4F4F82", "Linux swap"},
    {"0FC63DAF-8483-4772-8E79-3D69D8477DE483", "Linux native filesystem"},
    {"8DA63339-0007-60C0-C436-083AC823090883", "Linux reserved"},
    {"933AC7E1-2EB4-4F13-B844-0E14E2AEF91583", "Linux home"},
    {"44479540-F297-41B2-9AF7-D131D5F0458A83", "Linux x86 root"},
    {"4F68BCE3-E8CD-4DB1-96E7-FBCAF984B70983", "Linux x86-64 root"},
    {"B921B045-1DF0-41C3-AF44-4C6F280D3FAE83", "Linux ARM64 root"},
    {"3B8F8425-20E0-4F3B-907F-1A25A76F98E883", "Linux /srv"},
    {"D3BFE2DE-3DAF-11DF-BA40-E3A556D8959384", "Intel Rapid Start"},
    {"E6D6D379-F507-44C2-A23C-238F2A3DF9288e", "Linux LVM"},
    {"516E7CB4-6ECF-11D6-8FF8-00022D09712Ba5", "FreeBSD Disklabel"},
    {"83BD6B9D-7F41-11DC-BE0B-001560B84F0Fa5", "FreeBSD boot"},
    {"516E7CB5-6ECF-11D6-8FF8-00022D09712Ba5", "FreeBSD swap"},
    {"516E7CB6-6ECF-11D6-8FF8-00022D09712Ba5", "FreeBSD UFS"},
    {"516E7CBA-6ECF-11D6-8FF8-00022D09712Ba5", "FreeBSD ZFS"},
    {"516E7CB8-6ECF-11D6-8FF8-00022D09712Ba5", "FreeBSD Vinum/RAID"},
    {"85D5E45A-237C-11E1-B4B3-E89A8F7FC3A7a5", "MidnightBSD data"},
    {"85D5E45E-237C-11E1-B4B3-E89A8F7FC3A7a5", "MidnightBSD boot"},
    {"85D5E45B-237C-11E1-B4B3-E89A8F7FC3A7a5", "MidnightBSD swap"},
    {"0394EF8B-237E-11E1-B4B3-E89A8F7FC3A7a5", "MidnightBSD UFS"},
    {"85D5E45D-237C-11E1-B4B3-E89A8F7FC3A7a5", "MidnightBSD ZFS"},
    {"85D5E45C-237C-11E1-B4B3-E89A8F7FC3A7a5", "MidnightBSD Vinum"},
    {"824CC7A0-36A8-11E3-890A-952519AD3F61a6", "OpenBSD data"},
    {"55465300-0000-11AA-AA11-00306543ECACa8", "Apple UFS"},
    {"516E7CB4-6ECF-11D6-8FF8-00022D09712Ba9", "FreeBSD Disklabel"},
    {"49F48D32-B10E-11DC-B99B-0019D1879648a9", "NetBSD swap"},
    {"49F48D5A-B10E-11DC-B99B-0019D1879648a9", "NetBSD FFS"},
    {"49F48D82-B10E-11DC-B99B-0019D1879648a9", "NetBSD LFS"},
    {"2DB519C4-B10F-11DC-B99B-0019D1879648a9", "NetBSD concatenated"},
    {"2DB519EC-B10F-11DC-B99B-0019D1879648a9", "NetBSD encrypted"},
    {"49F48DAA-B10E-11DC-B99B-0019D1879648a9", "NetBSD RAID"},
    {"426F6F74-0000-11AA-AA11-00306543ECACab", "Apple boot"},
    {"48465300-0000-11AA-AA11-00306543ECACaf", "Apple HFS/HFS+"},
    {"52414944-0000-11AA-AA11-00306543ECACaf", "Apple RAID"},
    {"52414944-5F4F-11AA-AA11-00306543ECACaf", "Apple RAID offline"},
    {"4C616265-6C00-11AA-AA11-00306543ECACaf", "Apple Label"},
    {"5265636F-7665-11AA-AA11-00306543ECACaf", "AppleTV Recovery"},
    {"53746F72-6167-11AA-AA11-00306543ECACaf", "Apple Core Storage"},
    {"6A82CB45-1DD2-11B2-99A6-080020736631be", "Solaris \tSolaris boot"},
    {"6A85CF4D-1DD2-11B2-99A6-080020736631bf", "Solaris root"},
    {"6A898CC3-1DD2-11B2-99A6-080020736631bf", "Solaris /usr"},
    {"6A87C46F-1DD2-11B2-99A6-080020736631bf", "Solaris swap"},
    {"6A8B642B-1DD2-11B2-99A6-080020736631bf", "Solaris backup"},
    {"6A8EF2E9-1DD2-11B2-99A6-080020736631bf", "Solaris /var"},
    {"6A90BA39-1DD2-11B2-99A6-080020736631bf", "Solaris /home"},
    {"6A9283A5-1DD2-11B2-99A6-080020736631bf", "Solaris alternate sector"},
    {"6A945A3B-1DD2-11B2-99A6-080020736631bf", "Solaris Reserved"},
    {"6A9630D1-1DD2-11B2-99A6-080020736631bf", "Solaris Reserved"},
    {"6A980767-1DD2-11B2-99A6-080020736631bf", "Solaris Reserved"},
    {"6A96237F-1DD2-11B2-99A6-080020736631bf", "Solaris Reserved"},
    {"6A8D2AC7-1DD2-11B2-99A6-080020736631bf", "Solaris Reserved"},
    {"75894C1E-3AEB-11D3-B7C1-7B03A0000000c0", "HP-UX data"},
    {"E2A1E728-32E3-11D6-A682-7B03A0000000c0", "HP-UX service"},
    {"BC13C2FF-59E6-4262-A352-B275FD6F7172ea", "Freedesktop $BOOT"},
    {"42465331-3BA3-10F1-802A-4861696B7521eb", "Haiku BFS"},
    {"BFBFAFE7-A34F-448A-9A5B-6213EB736C22ed", "Lenovo system partition"},
    {"F4019732-066E-4E12-8273-346C5641494Fed", "Sony system partition"},
    {"C12A7328-F81F-11D2-BA4B-00A0C93EC93Bef", "EFI System (ESP)"},
    {"024DEE41-33E7-11D3-9D69-0008C781F39Fef", "MBR partition scheme"},
    {"21686148-6449-6E6F-744E-656564454649ef", "BIOS boot partition"},
    {"4FBD7E29-9D25-41B8-AFD0-062C0CEFF05Df8", "Ceph OSD"},
    {"4FBD7E29-9D25-41B8-AFD0-5EC00CEFF05Df8", "Ceph dm-crypt OSD"},
    {"45B0969E-9B03-4F30-B4C6-B4B80CEFF106f8", "Ceph journal"},
    {"45B0969E-9B03-4F30-B4C6-5EC00CEFF106f8", "Ceph dm-crypt journal"},
    {"89C57F98-2FE5-4DC0-89C1-F3AD0CEFF2BEf8", "Ceph disk in creation"},
    {"89C57F98-2FE5-4DC0-89C1-5EC00CEFF2BEf8", "Ceph dm-crypt disk in creation"},
    {"AA31E02A-400F-11DB-9590-000C2911D1B8fb", "VMware ESX/VMFS"},
    {"9198EFFC-31C0-11DB-8F78-000C2911D1B8fb", "VMware reserved"},
    {"9D275380-40AD-11DB-BF97-000C2911D1B8fc", "VMware kcore crash protection"},
    {"A19D880F-05FC-4D3B-A006-743F0F84911Efd", "Linux RAID"},
    {nullptr, nullptr}};

// Offsets of a classic partition entry and of the tables in the boot record.
const uint32_t kMbrDiskSignature = 440;
const uint32_t kMbrPartitionTable = 446;
const uint32_t kMbrEntrySize = 16;

// Offsets of the GPT header.
const uint32_t kGptHeaderSize = 12;
const uint32_t kGptHeaderCrc = 16;
const uint32_t kGptEntryArrayLba = 72;
const uint32_t kGptEntryCount = 80;
const uint32_t kGptEntrySize = 84;
const uint32_t kGptEntryArrayCrc = 88;
// Where the header's own fields end: a header size below it leaves fields outside its CRC.
const uint32_t kGptHeaderFieldsEnd = kGptEntryArrayCrc + 4;
// What the header printer reads at most, of the header and of the entry array each.
const uint32_t kGptReadLimit = 16384;

const char* MbrTypeNameOf(uint8_t code)
{
    if (code == 0)
        return nullptr;
    for (const MbrTypeName* row = MbrTypeNames; row->name; ++row) {
        if (row->code == code)
            return row->name;
    }
    return nullptr;
}

bool SameGuidText(const char* a, const char* b)
{
    for (int i = 0; i < 36; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y || x == 0)
            return false;
    }
    return true;
}

}  // namespace

// The name of a GPT partition type GUID given as text (case does not matter): the German
// names first, then the longer list of foreign types; the first row that matches wins. Empty
// when the GUID is not known.
const char* GptTypeNameOf(const char* guidText)
{
    for (const GptTypeName* row = GptTypeNames; row->guid; ++row) {
        if (SameGuidText(row->guid, guidText))
            return row->name;
    }
    // The keys carry the MBR type after the GUID; the partition entry has none to compare.
    for (const GptTypeKey* row = GptTypeKeys; row->key; ++row) {
        if (SameGuidText(row->key, guidText))
            return row->name;
    }
    return "";
}

void CStructurePrinter::PrintMbr(const uint8_t* sector, uint32_t loadedSize)
{
    const uint8_t* b = sector;
    const uint32_t size = loadedSize;
    AppendTitle("MASTER-BOOT-RECORD");
    AppendText("\n");
    for (int i = 0; i < 4; ++i) {
        const uint32_t e = kMbrPartitionTable + kMbrEntrySize * i;
        const uint8_t boot = ReadU8(b, size, e);
        const uint8_t startHead = ReadU8(b, size, e + 1);
        const uint8_t startSec = ReadU8(b, size, e + 2);
        const uint8_t startCylLow = ReadU8(b, size, e + 3);
        const uint8_t type = ReadU8(b, size, e + 4);
        const uint8_t endHead = ReadU8(b, size, e + 5);
        const uint8_t endSec = ReadU8(b, size, e + 6);
        const uint8_t endCylLow = ReadU8(b, size, e + 7);
        const uint32_t first = ReadU32(b, size, e + 8);
        const uint32_t count = ReadU32(b, size, e + 12);
        // Bits 6 and 7 of the sector byte are bits 8 and 9 of the cylinder.
        const int startCyl = startCylLow | ((startSec * 4) & 0x300);
        const int endCyl = endCylLow | ((endSec * 4) & 0x300);

        char text[400];
        int n = StrPrintf(text, "  %s  S:%3i H:%3i C:%4i  Type=%02Xh ", (boot & 0x80) ? "BOOT" : "----",
                          startSec & 63, startHead, startCyl, type);
        n += StrPrintf(text + n, " S:%3i H:%3i C:%4i ", endSec & 63, endHead, endCyl);
        n += StrPrintf(text + n, "  Off:%10u   Size:%10u ", first, count);
        // Kilobytes of 512-byte sectors, shown with one truncated decimal in the unit that fits.
        const uint32_t k = count / 2;
        if (k < 1024000)
            n += StrPrintf(text + n, "(%3i.%01i MB) ", k / 1024, ((k % 1024) * 10) / 1024);
        else if (k < 1048576000) {
            const uint32_t m = k / 1024;
            n += StrPrintf(text + n, "(%3i.%01i GB) ", m / 1024, ((m % 1024) * 10) / 1024);
        } else {
            const uint32_t g = k / 1048576;
            n += StrPrintf(text + n, "(%3i.%01i TB) ", g / 1024, ((g % 1024) * 10) / 1024);
        }
        const char* typeName = MbrTypeNameOf(type);
        if (typeName)
            StrPrintf(text + n, "   %s", typeName);

        const int line = PaneLineCount();
        AppendText(text);
        AddFieldMark(e, 1, line, 2, 5);
        AddFieldMark(e + 2, 1, line, 8, 13);
        AddFieldMark(e + 1, 1, line, 14, 19);
        AddFieldMark(e + 2, 2, line, 20, 26);
        AddFieldMark(e + 4, 1, line, 28, 36);
        AddFieldMark(e + 6, 1, line, 38, 43);
        AddFieldMark(e + 5, 1, line, 44, 49);
        AddFieldMark(e + 6, 2, line, 50, 56);
        AddFieldMark(e + 8, 4, line, 59, 73);
        AddFieldMark(e + 12, 4, line, 76, 102);
        if (typeName)
            AddFieldMark(e + 4, 1, line, 106, 116);
    }
    AppendText(" ");
    const int signatureLine = AppendFieldLine(kMbrDiskSignature, 4, "  Signature              : %04Xh",
                                              ReadU32(b, size, kMbrDiskSignature));

    ColourTitleLine();
    uint8_t entryColours[128];
    memset(entryColours, PC_NONE, sizeof(entryColours));
    static const int valueRanges[][2] = {{2, 5},   {10, 13}, {16, 19}, {22, 26}, {33, 36}, {40, 43},
                                         {46, 49}, {52, 56}, {63, 75}, {81, 91}, {93, 100}};
    for (const auto& r : valueRanges)
        memset(entryColours + r[0], PC_RED, r[1] - r[0] + 1);
    static const int separators[] = {9, 15, 21, 32, 39, 45, 51, 62, 80, 92, 101};
    for (int c : separators)
        entryColours[c] = PC_GREEN;
    ColourLines(3, 7, entryColours, 128);
    uint8_t fieldColours[64];
    BuildStandardColours(fieldColours);
    ColourLine(signatureLine, fieldColours, 64);
}

void CStructurePrinter::PrintGptHeader(const uint8_t* sector, uint32_t loadedSize)
{
    const uint8_t* b = sector;
    const uint32_t size = loadedSize;
    AppendTitle("GUID PARTITION TABLE");

    // The header CRC covers the header size in bytes with the CRC field taken as 0. It is
    // computed over the loaded sector itself: a header that claims more bytes than were loaded
    // cannot be right. Nor can one that claims more than the read limit: a CRC taken over only
    // its first 16384 bytes would vouch for bytes the header says it does not end with, so such
    // a header shows WRONG rather than a check of a part of it. Nor can one smaller than its own
    // fields (they end with the array CRC at byte 92): its CRC leaves fields it shows unchecked,
    // and at size 0 it checks nothing at all, so a wiped header (all zeros, CRC 0, the CRC of no
    // bytes) would pass as OK. sgdisk, too, takes such a header as broken.
    bool headerOk = false;
    const uint32_t headerSize = ReadU32(b, size, kGptHeaderSize);
    if (headerSize >= kGptHeaderFieldsEnd && headerSize <= kGptReadLimit && headerSize <= size) {
        static const uint8_t zeros[4] = {0, 0, 0, 0};
        uint32_t crc = Crc32Update(0xFFFFFFFFu, b, static_cast<int>(kGptHeaderCrc));
        crc = Crc32Update(crc, zeros, 4);
        crc = Crc32Update(crc, b + kGptHeaderCrc + 4, static_cast<int>(headerSize - kGptHeaderCrc - 4));
        headerOk = crc == ~ReadU32(b, size, kGptHeaderCrc);
    }

    // The entry array: a 64-bit size (two 32-bit factors), read only when it fits the limit.
    const char* arrayStatus = "UNKNOWN";
    const uint64_t arrayBytes =
        static_cast<uint64_t>(ReadU32(b, size, kGptEntryCount)) * ReadU32(b, size, kGptEntrySize);
    uint32_t sectorSize = DocLoadedSize();
    if (sectorSize == 0)
        sectorSize = 512;
    const uint64_t arraySectors = (arrayBytes + sectorSize - 1) / sectorSize;
    const uint64_t arrayLba = ReadU64(b, size, kGptEntryArrayLba);
    const uint32_t unitsPerSector = DocUnitsPerSector();
    // An array of no entries, or of entries of no bytes, holds nothing a CRC could vouch for:
    // the CRC of no bytes is 0, and 0 is what a wiped header holds, so such an array would
    // show OK on every zeroed header. No GPT has an empty array; sgdisk calls it an error.
    // An LBA whose unit number does not fit 64 bits lies on no medium: UNKNOWN, not a read
    // at a wrapped position.
    if (arrayBytes == 0) {
        arrayStatus = "WRONG";
    } else if (HasPrinterDocument() && arraySectors * sectorSize <= kGptReadLimit &&
               arrayLba <= ~0ull / unitsPerSector) {
        static uint8_t entries[kGptReadLimit];
        // The LBA counts sectors of the medium; the document reads 512-byte units.
        const uint32_t units = static_cast<uint32_t>((arraySectors * sectorSize + 511) / 512);
        if (DocReadUnits(arrayLba * unitsPerSector, units, entries)) {
            const uint32_t crc = Crc32Update(0xFFFFFFFFu, entries, static_cast<int>(arrayBytes));
            arrayStatus = crc == ~ReadU32(b, size, kGptEntryArrayCrc) ? "OK" : "WRONG";
        }
    }

    char signature[9];
    CopyFieldText(signature, b, size, 0, 8);
    char revision[24];
    StrPrintf(revision, "%i.%i.%i.%i", ReadU8(b, size, 8), ReadU8(b, size, 9), ReadU8(b, size, 10),
              ReadU8(b, size, 11));
    uint8_t diskGuid[16];
    CopyFieldBytes(diskGuid, b, size, 56, 16);

    AppendText("\n");
    AppendFieldLine(0, 8, "  Signatur           : %.8s", signature);
    AppendFieldLine(8, 4, "  Revision           : %s", revision);
    AppendFieldLine(12, 4, "  HeaderSize         : %u", headerSize);
    AppendFieldLine(16, 4, "  HeaderCrc          : %08Xh%s %s", ReadU32(b, size, 16), StatusMarkerText,
                    headerOk ? "OK" : "WRONG");
    AppendFieldLine(20, 4, "  Reserved           : %08Xh", ReadU32(b, size, 20));
    AppendFieldLine(24, 8, "  LbaPosition        : %I64u", ReadU64(b, size, 24));
    AppendFieldLine(32, 8, "  BackupPosition     : %I64u", ReadU64(b, size, 32));
    AppendFieldLine(40, 8, "  FirstLba           : %I64u", ReadU64(b, size, 40));
    AppendFieldLine(48, 8, "  LastLba            : %I64u", ReadU64(b, size, 48));
    AppendFieldLine(56, 16, "  DiskGuid           : %s", FormatGuidText(diskGuid));
    AppendFieldLine(72, 8, "  PartitionTab       : %I64u", arrayLba);
    AppendFieldLine(80, 4, "  UsedEntries        : %u", ReadU32(b, size, kGptEntryCount));
    AppendFieldLine(84, 4, "  EntrySize          : %u", ReadU32(b, size, kGptEntrySize));
    AppendFieldLine(88, 4, "  PartitionCrc       : %08Xh%s %s", ReadU32(b, size, 88), StatusMarkerText,
                    arrayStatus);

    ColourTitleLine();
    uint8_t colours[256];
    memset(colours, PC_BLUE, sizeof(colours));
    memset(colours, PC_STANDARD, 20);
    colours[21] = PC_GREEN;
    memset(colours + 22, PC_RED, 50);
    ColourLinesWithStatus(3, 23, colours, 64);
}

void CStructurePrinter::PrintGptEntries(const uint8_t* sector, uint32_t loadedSize)
{
    const uint8_t* b = sector;
    const uint32_t size = loadedSize;
    // The empty line under the title is the one each entry's block starts with, so that the
    // entry titles stand on lines 3, 12, 21 and 30: the lines whose place in the nine-line
    // colouring pattern below is that of an entry title (cyan), with the six field lines on
    // the places of the field colours. A second empty line under the title would put every
    // entry one line below the pattern, and the colours would miss their text: the turquoise
    // would fall on the empty line above each title and leave the title uncoloured, and the
    // attribute line would get the 60 cells of a value line instead of its 40, painting its
    // flag words red up to cell 59 and breaking the colour off inside a word.
    AppendText("\n GUID PARTITION ENTRIES\n");
    for (int i = 0; i < 4; ++i) {
        const uint32_t e = 128 * i;
        AppendFormat("\n Entry %i\n\n", i + 1);
        AddFieldMark(e, 128, PaneLineCount() - 2, 0, -1);

        uint8_t guid[16];
        CopyFieldBytes(guid, b, size, e, 16);
        char typeText[40];
        StrPrintf(typeText, "%s", FormatGuidText(guid));
        AppendFieldLine(e, 16, "  PartitionsTyp      : %s %s", typeText, GptTypeNameOf(typeText));
        CopyFieldBytes(guid, b, size, e + 16, 16);
        AppendFieldLine(e + 16, 16, "  PartitionsGuid     : %s", FormatGuidText(guid));

        const uint64_t attributes = ReadU64(b, size, e + 48);
        char words[64];
        words[0] = 0;
        static const struct {
            int bit;
            const char* word;
        } attributeWords[] = {{0, "System "},    {1, "EFI-Hidden "}, {2, "Bootable "},
                              {60, "ReadOnly "}, {62, "Hidden "},    {63, "NotMount"}};
        for (const auto& w : attributeWords) {
            if (attributes & (1ull << w.bit))
                strcat(words, w.word);
        }
        // The name is UTF-16 in 72 bytes: at most 36 characters, not always terminated.
        wchar_t name[37];
        for (uint32_t c = 0; c < 36; ++c)
            name[c] = static_cast<wchar_t>(ReadU16(b, size, e + 56 + 2 * c));
        name[36] = 0;

        AppendFieldLine(e + 32, 8, "  StartLba           : %I64u", ReadU64(b, size, e + 32));
        AppendFieldLine(e + 40, 8, "  EndLba             : %I64u", ReadU64(b, size, e + 40));
        AppendFieldLine(e + 48, 8, "  Attributes         : %016I64Xh %s", attributes, words);
        AppendFieldLine(e + 56, 64, "  PartitionName      : %.36S", name);
    }

    ColourTitleLine();
    uint8_t colours[256];
    memset(colours, PC_BLUE, sizeof(colours));
    memset(colours, PC_STANDARD, 20);
    colours[21] = PC_GREEN;
    memset(colours + 22, PC_RED, 50);
    uint8_t entryTitle[12];
    memset(entryTitle, PC_CYAN, sizeof(entryTitle));
    const int lineCount = PaneLineCount();
    for (int line = 3; line <= 39 && line < lineCount; ++line) {
        const int k = (line + 6) % 9;
        if (k == 0)
            ColourLine(line, entryTitle, 12);
        else if (k >= 2)
            ColourLine(line, colours, k == 6 ? 40 : 60);
    }
}
