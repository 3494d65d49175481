#include "converter/Qx5Out.h"

#if KP_HAVE_LIBHEIF
#include <string.h>
#include <wchar.h>

#include <libheif/heif.h>

#include "converter/Qx5Protocol.h"

// libheif is LGPL and ships as a DLL beside QX5, which a user may replace: it is loaded by
// its full path when the first HEIF or AVIF arrives, and reached through this table only.
// Photos from current phones need 1.18 or later; an older or broken DLL sends these files
// to WIC.
struct QX5_LIBHEIF {
    int tried;
    HMODULE dll;
    uint32_t version;
    decltype(&heif_get_version_number) get_version_number;
    decltype(&heif_init) init;
    decltype(&heif_context_alloc) context_alloc;
    decltype(&heif_context_free) context_free;
    decltype(&heif_context_read_from_reader) context_read_from_reader;
    decltype(&heif_context_set_maximum_image_size_limit) context_set_maximum_image_size_limit;
    decltype(&heif_context_get_primary_image_handle) context_get_primary_image_handle;
    decltype(&heif_image_handle_release) image_handle_release;
    decltype(&heif_image_handle_get_width) image_handle_get_width;
    decltype(&heif_image_handle_get_height) image_handle_get_height;
    decltype(&heif_image_handle_has_alpha_channel) image_handle_has_alpha_channel;
    decltype(&heif_decoding_options_alloc) decoding_options_alloc;
    decltype(&heif_decoding_options_free) decoding_options_free;
    decltype(&heif_decode_image) decode_image;
    decltype(&heif_image_get_plane_readonly) image_get_plane_readonly;
    decltype(&heif_image_get_width) image_get_width;
    decltype(&heif_image_get_height) image_get_height;
    decltype(&heif_image_is_premultiplied_alpha) image_is_premultiplied_alpha;
    decltype(&heif_image_release) image_release;
    // Newer than 1.18, used when the DLL has it.
    decltype(&heif_context_get_security_limits) context_get_security_limits;
};
static QX5_LIBHEIF Heif;

enum { QX5_HEIF_MIN_VERSION = 0x01120000 };   // 1.18.0, as heif_get_version_number gives it

struct QX5_HEIF_ENTRY {
    const char* name;
    void** slot;
    bool needed;
};

static bool Qx5HeifLoad()
{
    wchar_t path[MAX_PATH + 64];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return false;
    wchar_t* slash = wcsrchr(path, L'\\');
    if (!slash)
        return false;
    wcscpy(slash + 1, L"" KP_LIBHEIF_DLL);
    // Its own folder for libde265.dll beside it, and the system's: nothing from elsewhere.
    Heif.dll = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!Heif.dll)
        return false;
    const QX5_HEIF_ENTRY entries[] = {
        {"heif_get_version_number", (void**)&Heif.get_version_number, true},
        {"heif_init", (void**)&Heif.init, true},
        {"heif_context_alloc", (void**)&Heif.context_alloc, true},
        {"heif_context_free", (void**)&Heif.context_free, true},
        {"heif_context_read_from_reader", (void**)&Heif.context_read_from_reader, true},
        {"heif_context_set_maximum_image_size_limit", (void**)&Heif.context_set_maximum_image_size_limit, true},
        {"heif_context_get_primary_image_handle", (void**)&Heif.context_get_primary_image_handle, true},
        {"heif_image_handle_release", (void**)&Heif.image_handle_release, true},
        {"heif_image_handle_get_width", (void**)&Heif.image_handle_get_width, true},
        {"heif_image_handle_get_height", (void**)&Heif.image_handle_get_height, true},
        {"heif_image_handle_has_alpha_channel", (void**)&Heif.image_handle_has_alpha_channel, true},
        {"heif_decoding_options_alloc", (void**)&Heif.decoding_options_alloc, true},
        {"heif_decoding_options_free", (void**)&Heif.decoding_options_free, true},
        {"heif_decode_image", (void**)&Heif.decode_image, true},
        {"heif_image_get_plane_readonly", (void**)&Heif.image_get_plane_readonly, true},
        {"heif_image_get_width", (void**)&Heif.image_get_width, true},
        {"heif_image_get_height", (void**)&Heif.image_get_height, true},
        {"heif_image_is_premultiplied_alpha", (void**)&Heif.image_is_premultiplied_alpha, true},
        {"heif_image_release", (void**)&Heif.image_release, true},
        {"heif_context_get_security_limits", (void**)&Heif.context_get_security_limits, false},
    };
    for (const QX5_HEIF_ENTRY& e : entries) {
        *e.slot = (void*)GetProcAddress(Heif.dll, e.name);
        if (!*e.slot && e.needed)
            return false;
    }
    Heif.version = Heif.get_version_number();
    if (Heif.version < QX5_HEIF_MIN_VERSION)
        return false;
    return Heif.init(nullptr).code == heif_error_Ok;
}

bool Qx5HaveLibheif()
{
    if (!Heif.tried) {
        Heif.tried = 1;
        if (!Qx5HeifLoad()) {
            HMODULE dll = Heif.dll;
            memset(&Heif, 0, sizeof(Heif));
            Heif.tried = 1;
            if (dll)
                FreeLibrary(dll);
        }
    }
    return Heif.dll != nullptr;
}

// libheif reads the file through this, over a Win32 handle: a path never goes to it as text.
struct QX5_HEIF_FILE {
    HANDLE file;
    int64_t size;
    int64_t position;
    ULONGLONG deadline;      // the decode gives up past this tick
};

static int64_t Qx5HeifPosition(void* user)
{
    return ((QX5_HEIF_FILE*)user)->position;
}

static int Qx5HeifRead(void* data, size_t size, void* user)
{
    QX5_HEIF_FILE* f = (QX5_HEIF_FILE*)user;
    unsigned char* at = (unsigned char*)data;
    while (size > 0) {
        DWORD part = size > (1u << 30) ? 1u << 30 : (DWORD)size, got = 0;
        if (!ReadFile(f->file, at, part, &got, nullptr) || got != part)
            return 1;
        at += part;
        size -= part;
        f->position += part;
    }
    return 0;
}

static int Qx5HeifSeek(int64_t position, void* user)
{
    QX5_HEIF_FILE* f = (QX5_HEIF_FILE*)user;
    LARGE_INTEGER to;
    to.QuadPart = position;
    if (position < 0 || position > f->size || !SetFilePointerEx(f->file, to, nullptr, FILE_BEGIN))
        return 1;
    f->position = position;
    return 0;
}

static heif_reader_grow_status Qx5HeifGrow(int64_t target, void* user)
{
    return target > ((QX5_HEIF_FILE*)user)->size ? heif_reader_grow_status_size_beyond_eof
                                                  : heif_reader_grow_status_size_reached;
}

static int Qx5HeifCancel(void* user)
{
    return GetTickCount64() > ((QX5_HEIF_FILE*)user)->deadline ? 1 : 0;
}

// What libheif does not support goes to WIC, which may have a codec for it; anything else it
// refused is damaged or past a bound. Its reason goes to the debugger.
static QX5_RESULT Qx5HeifFailure(const heif_error& e)
{
    char text[300];
    wsprintfA(text, "QX5 libheif: %d.%d %.250s\r\n", (int)e.code, (int)e.subcode, e.message ? e.message : "");
    OutputDebugStringA(text);
    switch (e.code) {
    case heif_error_Unsupported_filetype:
    case heif_error_Unsupported_feature:
    case heif_error_Plugin_loading_error:
        return QX5_TO_WIC;
    default:
        return QX5_REFUSED;
    }
}

// Leaves room, within Kotopane's bound for the whole request, for writing the BMP.
enum { QX5_HEIF_DECODE_MS = CONVERTER_CONVERT_MS - 2000 };

QX5_RESULT Qx5HeifConvert(const wchar_t* src, int boxW, int boxH, uint32_t back, const wchar_t* dst)
{
    if (!Qx5HaveLibheif())
        return QX5_TO_WIC;
    QX5_HEIF_FILE file = {};
    file.deadline = GetTickCount64() + QX5_HEIF_DECODE_MS;
    file.file = CreateFileW(src, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file.file == INVALID_HANDLE_VALUE)
        return QX5_REFUSED;
    LARGE_INTEGER size = {};
    GetFileSizeEx(file.file, &size);
    file.size = size.QuadPart;

    static const heif_reader reader = {1, Qx5HeifPosition, Qx5HeifRead, Qx5HeifSeek, Qx5HeifGrow};
    QX5_RESULT result = QX5_REFUSED;
    heif_image_handle* handle = nullptr;
    heif_decoding_options* options = nullptr;
    heif_image* image = nullptr;
    heif_error e;
    QX5_GEOMETRY g;
    heif_context* ctx = Heif.context_alloc();
    if (!ctx)
        goto done;
    // Nothing past the converter's own bound is allocated for, whatever the file says.
    if (Heif.context_get_security_limits) {
        heif_security_limits* limits = Heif.context_get_security_limits(ctx);
        if (limits)
            limits->max_image_size_pixels = PICTURE_MAX_PIXELS;
    } else {
        Heif.context_set_maximum_image_size_limit(ctx, (int)PICTURE_MAX_SIDE);
    }
    e = Heif.context_read_from_reader(ctx, &reader, &file, nullptr);
    if (e.code != heif_error_Ok) {
        result = Qx5HeifFailure(e);
        goto done;
    }
    e = Heif.context_get_primary_image_handle(ctx, &handle);
    if (e.code != heif_error_Ok) {
        result = Qx5HeifFailure(e);
        goto done;
    }
    // The size as shown (its rotation and crop applied), checked before anything is decoded.
    if (!Qx5PlanGeometry(&g, (unsigned)Heif.image_handle_get_width(handle), (unsigned)Heif.image_handle_get_height(handle), 1))
        goto done;
    options = Heif.decoding_options_alloc();
    if (!options)
        goto done;
    // The file's own rotation, mirror and crop are applied here, once; EXIF orientation is not.
    options->ignore_transformations = 0;
    if (options->version >= 2)
        options->convert_hdr_to_8bit = 1;
    if (options->version >= 6) {
        options->cancel_decoding = Qx5HeifCancel;
        options->progress_user_data = &file;
    }
    {
        bool alpha = Heif.image_handle_has_alpha_channel(handle) != 0;
        e = Heif.decode_image(handle, &image, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options);
        if (e.code != heif_error_Ok) {
            result = Qx5HeifFailure(e);
            goto done;
        }
        int stride = 0;
        const uint8_t* px = Heif.image_get_plane_readonly(image, heif_channel_interleaved, &stride);
        int w = Heif.image_get_width(image, heif_channel_interleaved);
        int h = Heif.image_get_height(image, heif_channel_interleaved);
        if (!px || w <= 0 || h <= 0 || stride < w * (alpha ? 4 : 3))
            goto done;
        QX5_PIXELS kind = !alpha ? QX5_RGB
                          : Heif.image_is_premultiplied_alpha(image) ? QX5_RGBA_PREMULTIPLIED
                                                                     : QX5_RGBA;
        if (Qx5WritePicture(px, (size_t)stride, (unsigned)w, (unsigned)h, kind, back, boxW, boxH, dst))
            result = QX5_WRITTEN;
    }
done:
    if (image)
        Heif.image_release(image);
    if (options)
        Heif.decoding_options_free(options);
    if (handle)
        Heif.image_handle_release(handle);
    if (ctx)
        Heif.context_free(ctx);
    CloseHandle(file.file);
    return result;
}

#else

bool Qx5HaveLibheif()
{
    return false;
}

QX5_RESULT Qx5HeifConvert(const wchar_t*, int, int, uint32_t, const wchar_t*)
{
    return QX5_TO_WIC;
}

#endif
