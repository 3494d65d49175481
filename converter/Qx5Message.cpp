#include "converter/Qx5Message.h"

static bool Qx5Lead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

static bool Qx5Trail(unsigned char b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

bool Qx5ValidCp932Path(const char* s, size_t len)
{
    const unsigned char* p = (const unsigned char*)s;
    for (size_t i = 0; i < len; i++) {
        unsigned char b = p[i];
        if (Qx5Lead(b)) {
            if (i + 1 >= len || !Qx5Trail(p[i + 1]))
                return false;
            i++;
        } else if (b < 0x20 || b == 0x7F || b == 0x80 || b == 0xA0 || b >= 0xFD) {
            return false;
        }
    }
    return true;
}

QX5_BLOCK_CHECK Qx5CheckPathBlock(const void* data, size_t size, char out[QX5_PATH_BLOCK])
{
    out[0] = 0;
    if (!data || size != QX5_PATH_BLOCK)
        return QX5_BLOCK_SIZE;
    const char* s = (const char*)data;
    size_t len = 0;
    while (len < QX5_PATH_BLOCK && s[len])
        len++;
    if (len == QX5_PATH_BLOCK)
        return QX5_BLOCK_UNTERMINATED;
    if (len == 0)
        return QX5_BLOCK_EMPTY;
    if (!Qx5ValidCp932Path(s, len))
        return QX5_BLOCK_BAD_TEXT;
    bool drive = len >= 3 && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'))
                 && s[1] == ':' && s[2] == '\\';
    bool unc = len >= 3 && s[0] == '\\' && s[1] == '\\';
    if (!drive && !unc)
        return QX5_BLOCK_NOT_ABSOLUTE;
    for (size_t i = 0; i <= len; i++)
        out[i] = s[i];
    return QX5_BLOCK_OK;
}
