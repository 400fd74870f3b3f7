#include "payload/tar_header.h"

#include <string.h>

#include "payload/entry_name.h"

namespace {

const size_t kNameField = 100;
const size_t kSizeField = 124;
const size_t kChecksumField = 148;
const size_t kTypeField = 156;
const size_t kMagicField = 257;
const size_t kPrefixField = 345;

// Octal digits, then a NUL or a blank, within width bytes; values beyond
// 32 bits are refused alike on every platform.
bool ReadOctal(const unsigned char* field, size_t width, unsigned long* value)
{
    size_t at = 0;
    *value = 0;
    for (; at < width && field[at] >= '0' && field[at] <= '7'; ++at) {
        if (*value >> 29 != 0)
            return false;
        *value = *value * 8 + (field[at] - '0');
    }
    return at > 0 && at < width && (field[at] == '\0' || field[at] == ' ');
}

}  // namespace

TarMember ReadTarHeader(const unsigned char* block, unsigned long room, char* path,
                        size_t pathSize, unsigned long* size)
{
    unsigned long sum = 0, stored = 0;
    bool zeros = true;
    for (size_t at = 0; at < kTarBlockSize; ++at) {
        sum += at - kChecksumField < 8 ? ' ' : block[at];
        zeros = zeros && block[at] == 0;
    }
    if (zeros)
        return kTarEnd;
    if (!ReadOctal(block + kChecksumField, 8, &stored) || stored != sum ||
        memcmp(block + kMagicField, "ustar\0" "00", 8) != 0 || block[kPrefixField] != '\0' ||
        !ReadOctal(block + kSizeField, 12, size))
        return kTarRefused;
    char type = (char)block[kTypeField];
    size_t length = strnlen((const char*)block, kNameField);
    if (length == 0 || length == kNameField || length >= pathSize || (type != '0' && type != '\0' && type != '5'))
        return kTarRefused;
    memcpy(path, block, length + 1);
    if (type == '5') {
        if (path[length - 1] != '/' || *size != 0)
            return kTarRefused;
        path[--length] = '\0';
    }
    // Each part checked on its own; an empty one (a leading, doubled or
    // trailing slash) is refused with them.
    for (char* part = path;;) {
        char* slash = strchr(part, '/');
        if (slash != NULL)
            *slash = '\0';
        if (!IsWritableEntryName(part))
            return kTarRefused;
        if (slash == NULL)
            break;
        *slash = '\\';
        part = slash + 1;
    }
    unsigned long blocks = *size / kTarBlockSize + (*size % kTarBlockSize != 0);
    return blocks > room / kTarBlockSize ? kTarRefused : type == '5' ? kTarFolder : kTarFile;
}
