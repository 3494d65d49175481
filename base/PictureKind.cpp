#include "base/PictureKind.h"

#include <cstring>

#include "base/Cp932.h"

namespace {

struct SIGNATURE {
    const char* bytes;
    size_t length;
    size_t atLeast;     // a shorter file matching this many bytes is a damaged picture of the kind
    PICTURE_KIND kind;
};

// The kinds the converter shows, by their first bytes. Each "at least" is long enough that a
// stub of a few bytes does not pass for a picture by chance.
const SIGNATURE kPictures[] = {
    { "\xFF\xD8\xFF", 3, 2, PICTURE_JPEG },
    { "\x89PNG\r\n\x1A\n", 8, 4, PICTURE_PNG },
    { "GIF87a", 6, 4, PICTURE_GIF },
    { "GIF89a", 6, 4, PICTURE_GIF },
    { "II*\0", 4, 4, PICTURE_TIFF },
    { "MM\0*", 4, 4, PICTURE_TIFF },
    { "II+\0", 4, 4, PICTURE_TIFF },    // BigTIFF
    { "MM\0+", 4, 4, PICTURE_TIFF },
    { "\0\0\1\0", 4, 4, PICTURE_ICO },
    { "II\xBC", 3, 3, PICTURE_OTHER },  // JPEG XR
    { "DDS ", 4, 4, PICTURE_OTHER },
};

// What is plainly something else: archives, documents, programs, sound and video (ISO media
// files are told apart by their brands below).
const SIGNATURE kOthers[] = {
    { "PK\3\4", 4, 4, PICTURE_NOT },
    { "PK\5\6", 4, 4, PICTURE_NOT },
    { "%PDF", 4, 4, PICTURE_NOT },
    { "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8, 8, PICTURE_NOT },   // Thumbs.db, old Office files
    { "Rar!\x1A\x07", 6, 6, PICTURE_NOT },
    { "7z\xBC\xAF\x27\x1C", 6, 6, PICTURE_NOT },
    { "\x1F\x8B", 2, 2, PICTURE_NOT },
    { "MZ", 2, 2, PICTURE_NOT },
    { "\x1A\x45\xDF\xA3", 4, 4, PICTURE_NOT },   // Matroska, WebM
    { "\0\0\1\xBA", 4, 4, PICTURE_NOT },         // MPEG video
    { "\0\0\1\xB3", 4, 4, PICTURE_NOT },
    { "ID3", 3, 3, PICTURE_NOT },
    { "OggS", 4, 4, PICTURE_NOT },
    { "fLaC", 4, 4, PICTURE_NOT },
    { "\xEF\xBB\xBF", 3, 3, PICTURE_NOT },       // text with a byte order mark
    { "\xFF\xFE", 2, 2, PICTURE_NOT },
    { "\xFE\xFF", 2, 2, PICTURE_NOT },
};

PICTURE_KIND MatchTable(const SIGNATURE* table, size_t rows, const unsigned char* head, size_t size)
{
    for (size_t k = 0; k < rows; k++) {
        const SIGNATURE& s = table[k];
        size_t n = size < s.length ? size : s.length;
        if (n >= s.atLeast && memcmp(head, s.bytes, n) == 0)
            return s.kind;
    }
    return PICTURE_UNKNOWN;
}

bool Is(const unsigned char* p, const char* four)
{
    return memcmp(p, four, 4) == 0;
}

// An ISO media file (HEIF, AVIF, MP4, QuickTime) names what it holds by the brands of its
// first box: a still-image brand makes it a picture, any other brand a video or sound.
PICTURE_KIND IsoMediaKind(const unsigned char* head, size_t size)
{
    static const char* const kAvif[] = { "avif", "avis", "avio" };
    static const char* const kHeif[] = { "heic", "heix", "heim", "heis", "hevc", "hevx",
                                         "hevm", "hevs", "mif1", "mif2", "msf1" };
    if (size < 12)
        return PICTURE_UNKNOWN;
    size_t box = (size_t)head[0] << 24 | (size_t)head[1] << 16 | (size_t)head[2] << 8 | head[3];
    size_t end = box < size ? box : size;
    bool heif = false;
    // The major brand at 8, the minor version at 12, then the compatible brands.
    for (size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {
        for (const char* b : kAvif)
            if (Is(head + at, b))
                return PICTURE_AVIF;
        for (const char* b : kHeif)
            heif = heif || Is(head + at, b);
    }
    if (heif)
        return PICTURE_HEIF;
    // Canon's raw photos are ISO media too; the system may have a codec for them.
    return Is(head + 8, "crx ") ? PICTURE_UNKNOWN : PICTURE_NOT;
}

// Every byte printable or a line break or tab, and every byte above ASCII part of a UTF-8 or
// code page 932 character: a text (lines, an editor's sidecar, XML, JSON, desktop.ini). A
// character cut at the end of what was read still counts.
bool LooksLikeText(const unsigned char* p, size_t size)
{
    for (size_t i = 0; i < size; i++) {
        unsigned char b = p[i];
        if (b == '\t' || b == '\r' || b == '\n' || (b >= 0x20 && b < 0x7F))
            continue;
        if (b < 0x80)
            return false;
        size_t more = b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xF0 && b <= 0xF4 ? 3 : 0;
        size_t k = 1;
        while (k <= more && i + k < size && (p[i + k] & 0xC0) == 0x80)
            k++;
        if (more && (k > more || i + k == size)) {
            i += k - 1;
            continue;
        }
        // A lead byte cut off by the end of the sample still counts as text.
        size_t n = Cp932Step((const char*)p, i, size);
        if (IsCp932Lead(b) && (n == 2 ? IsCp932Trail(p[i + 1]) : i + 1 == size)) {
            i += n - 1;
            continue;
        }
        if (b >= 0xA1 && b <= 0xDF)   // half-width katakana
            continue;
        return false;
    }
    return true;
}

}  // namespace

PICTURE_KIND PictureKindOf(const unsigned char* head, size_t size)
{
    if (!head || size == 0)
        return PICTURE_NOT;
    if (size > PICTURE_HEAD_BYTES)
        size = PICTURE_HEAD_BYTES;
    PICTURE_KIND kind = MatchTable(kPictures, sizeof kPictures / sizeof kPictures[0], head, size);
    if (kind != PICTURE_UNKNOWN)
        return kind;
    // A BMP: "BM", then the size of an info header the system knows.
    if (size >= 2 && head[0] == 'B' && head[1] == 'M') {
        if (size < 18)
            return PICTURE_BMP;
        unsigned info = head[14] | head[15] << 8 | head[16] << 16 | (unsigned)head[17] << 24;
        if (info == 12 || info == 16 || info == 40 || info == 52 || info == 56 || info == 64 || info == 108
            || info == 124)
            return PICTURE_BMP;
    }
    if (size >= 4 && Is(head, "RIFF"))
        return size < 12 ? PICTURE_UNKNOWN : Is(head + 8, "WEBP") ? PICTURE_WEBP : PICTURE_NOT;
    if (size >= 8 && Is(head + 4, "ftyp"))
        return IsoMediaKind(head, size);
    // QuickTime movies of old begin with one of these boxes instead of a brand.
    static const char* const kMovieBoxes[] = { "moov", "mdat", "free", "skip", "wide", "pnot" };
    for (const char* b : kMovieBoxes)
        if (size >= 8 && Is(head + 4, b))
            return PICTURE_NOT;
    kind = MatchTable(kOthers, sizeof kOthers / sizeof kOthers[0], head, size);
    if (kind != PICTURE_UNKNOWN)
        return kind;
    return LooksLikeText(head, size) ? PICTURE_NOT : PICTURE_UNKNOWN;
}

bool IsPictureKind(PICTURE_KIND kind)
{
    return kind != PICTURE_UNKNOWN && kind != PICTURE_NOT;
}
