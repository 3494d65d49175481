#include "converter/Qx5Message.h"

#include <string.h>

#include "base/Cp932.h"

bool Qx5ValidCp932Path(const char* s, size_t len)
{
    const unsigned char* p = (const unsigned char*)s;
    for (size_t i = 0, n; (n = Cp932Step(s, i, len)) != 0; i += n) {
        unsigned char b = p[i];
        if (IsCp932Lead(b)) {
            if (n != 2 || !IsCp932Trail(p[i + 1]))
                return false;
        } else if (b < 0x20 || b == 0x7F || b == 0x80 || b == 0xA0 || b >= 0xFD) {
            return false;
        }
    }
    return true;
}

QX5_BLOCK_CHECK Qx5CheckPathBlock(const void* data, size_t size, char out[CONVERTER_DEST_BYTES])
{
    out[0] = 0;
    if (!data || size != CONVERTER_DEST_BYTES)
        return QX5_BLOCK_SIZE;
    const char* s = (const char*)data;
    size_t len = 0;
    while (len < CONVERTER_DEST_BYTES && s[len])
        len++;
    if (len == CONVERTER_DEST_BYTES)
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

QX5_BLOCK_CHECK Qx5CheckRequest(uint64_t tag, const void* data, size_t size, char out[CONVERTER_DEST_BYTES],
                                uint32_t* back)
{
    out[0] = 0;
    *back = 0xFFFFFF;
    if (size != sizeof(CONVERTER_CONVERT_REQUEST))
        return Qx5CheckPathBlock(data, size, out);
    if (!data)
        return QX5_BLOCK_SIZE;
    if (tag != CONVERTER_CONVERT_OVER_COLOUR)
        return QX5_BLOCK_TAG;
    CONVERTER_CONVERT_REQUEST request;
    memcpy(&request, data, sizeof(request));
    if (request.backColour > 0xFFFFFF)
        return QX5_BLOCK_BAD_COLOUR;
    QX5_BLOCK_CHECK check = Qx5CheckPathBlock(request.destination, sizeof(request.destination), out);
    if (check == QX5_BLOCK_OK)
        *back = request.backColour;
    return check;
}
