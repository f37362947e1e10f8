#include "disk/PartitionFile.h"
#include <string.h>

uint64_t PartitionFileParser::ParseNumber(const char* p)
{
    uint64_t value = 0;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        for (p += 2;; ++p) {
            unsigned digit;
            if (*p >= '0' && *p <= '9')
                digit = static_cast<unsigned>(*p - '0');
            else if (*p >= 'A' && *p <= 'F')
                digit = static_cast<unsigned>(*p - 'A' + 10);
            else if (*p >= 'a' && *p <= 'f')
                digit = static_cast<unsigned>(*p - 'a' + 10);
            else
                break;
            value = value * 16 + digit;
        }
        return value;
    }
    for (; *p >= '0' && *p <= '9'; ++p)
        value = value * 10 + static_cast<unsigned>(*p - '0');
    return value;
}

void PartitionFileParser::Line(const char* text)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p == '[') {
        if (strncmp(p, "[DRIVES]", 8) == 0) {
            m_section = kDriveSection;
        } else if (strncmp(p, "[PARTITION", 10) == 0 && p[10] >= '0' && p[10] <= '?' && p[11] == ']') {
            // '0' to '?' are the sixteen characters 0x30 to 0x3F: sections 0 to 15.
            m_section = p[10] - '0';
        }
        return;                 // any other header leaves the section as it was
    }
    // The key is the first four characters, whatever they are.
    for (int i = 0; i < 4; ++i)
        if (p[i] == 0)
            return;
    const char* key = p;
    p += 4;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p != '=')
        return;
    ++p;
    // Only tabs may stand between "=" and the number: a blank there gives 0.
    while (*p == '\t')
        ++p;
    uint64_t value = ParseNumber(p);
    if (m_section == kDriveSection) {
        m_record.driveSize = value;
    } else if (m_section >= 0 && m_section <= 3) {
        int n = m_section;
        if (strncmp(key, "SECT", 4) == 0)
            m_record.sect[n] = value;
        else if (strncmp(key, "SIZE", 4) == 0)
            m_record.size[n] = value;
        else if (strncmp(key, "SHOW", 4) == 0)
            m_record.show[n] = static_cast<uint32_t>(value);
    }
}
