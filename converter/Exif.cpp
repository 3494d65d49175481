#include "converter/Exif.h"
#include "converter/Qx5Image.h"

enum { EXIF_TAG_ORIENTATION = 274, TIFF_SHORT = 3, TIFF_LONG = 4 };

static unsigned Qx5Get16(const unsigned char* p, bool big)
{
    return big ? (unsigned)(p[0] << 8 | p[1]) : (unsigned)(p[1] << 8 | p[0]);
}

static unsigned long Qx5Get32(const unsigned char* p, bool big)
{
    if (big)
        return (unsigned long)p[0] << 24 | (unsigned long)p[1] << 16 | (unsigned long)p[2] << 8 | p[3];
    return (unsigned long)p[3] << 24 | (unsigned long)p[2] << 16 | (unsigned long)p[1] << 8 | p[0];
}

int Qx5TiffOrientation(const unsigned char* t, size_t size)
{
    if (!t || size < 8)
        return 1;
    bool big;
    if (t[0] == 'I' && t[1] == 'I')
        big = false;
    else if (t[0] == 'M' && t[1] == 'M')
        big = true;
    else
        return 1;
    if (Qx5Get16(t + 2, big) != 42)
        return 1;
    unsigned long ifd = Qx5Get32(t + 4, big);
    // Offsets are compared against what is left, never added first, so a huge offset cannot wrap.
    if (ifd > size || size - ifd < 2)
        return 1;
    unsigned count = Qx5Get16(t + ifd, big);
    size_t at = ifd + 2;
    for (unsigned i = 0; i < count; i++, at += 12) {
        if (size - at < 12)
            return 1;
        const unsigned char* e = t + at;
        if (Qx5Get16(e, big) != EXIF_TAG_ORIENTATION)
            continue;
        unsigned type = Qx5Get16(e + 2, big);
        unsigned long n = Qx5Get32(e + 4, big);
        unsigned long v;
        if (n < 1)
            return 1;
        if (type == TIFF_SHORT)
            v = Qx5Get16(e + 8, big);
        else if (type == TIFF_LONG)   // a few writers store it as a long
            v = Qx5Get32(e + 8, big);
        else
            return 1;
        return (v >= 1 && v <= 8) ? (int)v : 1;
    }
    return 1;
}

bool Qx5ReadJpegHead(const unsigned char* d, size_t size, QX5_JPEG_HEAD* out)
{
    *out = QX5_JPEG_HEAD{1, 0, 0, 0, 0, 0};
    if (!d || size < 4 || d[0] != 0xFF || d[1] != 0xD8)
        return false;
    bool exifSeen = false;
    size_t at = 2;
    while (size - at >= 2) {
        if (d[at] != 0xFF)
            break;                     // not a marker: the header is damaged
        unsigned char m = d[at + 1];
        if (m == 0xFF) {               // fill byte
            at++;
            continue;
        }
        at += 2;
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD7))
            continue;                  // markers without a length
        if (m == 0xD9 || m == 0xDA)
            break;                     // image data starts: the header is over
        if (size - at < 2)
            break;
        size_t len = (size_t)(d[at] << 8 | d[at + 1]);
        if (len < 2 || len > size - at)
            break;
        const unsigned char* body = d + at + 2;
        size_t bodyLen = len - 2;
        static const unsigned char kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
        if (m == 0xE1 && bodyLen >= 6 && !exifSeen) {
            bool exif = true;
            for (int i = 0; i < 6; i++)
                exif = exif && body[i] == kExif[i];
            if (exif) {
                exifSeen = true;
                out->orient = Qx5TiffOrientation(body + 6, bodyLen - 6);
            }
        }
        // Start of frame: every 0xCn but the tables (C4, CC) and the reserved C8.
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC && !out->sof && bodyLen >= 6) {
            out->sof = m;
            out->precision = body[0];
            out->height = (unsigned)(body[1] << 8 | body[2]);
            out->width = (unsigned)(body[3] << 8 | body[4]);
            out->components = body[5];
        }
        at += len;
    }
    return true;
}

int Qx5JpegOrientation(const unsigned char* d, size_t size)
{
    QX5_JPEG_HEAD head;
    return Qx5ReadJpegHead(d, size, &head) ? head.orient : 1;
}

QX5_JPEG_ROUTE Qx5JpegRoute(const QX5_JPEG_HEAD* h)
{
    if (!h->sof)
        return QX5_JPEG_LIBJPEG;       // the frame lies further on: libjpeg-turbo reads it
    if ((unsigned long long)h->width * h->height > PICTURE_MAX_PIXELS)
        return QX5_JPEG_REFUSE;
    bool kind = h->sof == 0xC0 || h->sof == 0xC1 || h->sof == 0xC2 || h->sof == 0xC9 || h->sof == 0xCA;
    if (!kind || h->precision != 8 || (h->components != 1 && h->components != 3) || !h->width || !h->height)
        return QX5_JPEG_WIC;
    return QX5_JPEG_LIBJPEG;
}
