#include "converter/Qx5Out.h"

#if KP_HAVE_LIBJPEG_TURBO
#include <setjmp.h>
#include <stdio.h>
#include <string.h>

#include <jerror.h>
#include <jpeglib.h>

#include "converter/Exif.h"

static_assert(LIBJPEG_TURBO_VERSION_NUMBER >= 2001000, "libjpeg-turbo 2.1 or later (BGRX output)");

// A real photo has about ten scans; thousands of tiny ones only make a damaged or hostile
// progressive file take minutes.
enum { QX5_JPEG_MAX_SCANS = 1000, QX5_JPEG_READ = 64 << 10 };

// Everything one decode touches, in one record the error handler's jump leaves intact.
struct QX5_JPEG_RUN {
    jpeg_decompress_struct cinfo;
    struct {
        jpeg_error_mgr pub;
        jmp_buf jump;
    } err;
    struct {
        jpeg_source_mgr pub;
        HANDLE file;
        JOCTET buf[QX5_JPEG_READ];
    } src;
    jpeg_progress_mgr progress;
    QX5_GEOMETRY g;
    QX5_OUT out;
    bool outOpen;
    bool created;
    QX5_RESULT result;
};

// libjpeg-turbo's fatal errors come back here instead of ending the process.
static void Qx5JpegError(j_common_ptr c)
{
    QX5_JPEG_RUN* run = (QX5_JPEG_RUN*)c->client_data;
    longjmp(run->err.jump, 1);
}

// Warnings (damaged data) are not shown anywhere: the picture is shown as far as it decodes.
static void Qx5JpegMessage(j_common_ptr)
{
}

static void Qx5JpegProgress(j_common_ptr c)
{
    if (c->is_decompressor && ((j_decompress_ptr)c)->input_scan_number > QX5_JPEG_MAX_SCANS)
        c->err->error_exit(c);
}

static void Qx5SrcInit(j_decompress_ptr)
{
}

static boolean Qx5SrcFill(j_decompress_ptr c)
{
    QX5_JPEG_RUN* run = (QX5_JPEG_RUN*)c->client_data;
    DWORD got = 0;
    if (!ReadFile(run->src.file, run->src.buf, QX5_JPEG_READ, &got, nullptr) || got == 0) {
        // A file cut short ends as if its end marker came here: what came before is shown.
        WARNMS(c, JWRN_JPEG_EOF);
        run->src.buf[0] = 0xFF;
        run->src.buf[1] = JPEG_EOI;
        got = 2;
    }
    run->src.pub.next_input_byte = run->src.buf;
    run->src.pub.bytes_in_buffer = got;
    return TRUE;
}

static void Qx5SrcSkip(j_decompress_ptr c, long n)
{
    QX5_JPEG_RUN* run = (QX5_JPEG_RUN*)c->client_data;
    if (n <= 0)
        return;
    size_t skip = (size_t)n;
    if (skip <= run->src.pub.bytes_in_buffer) {
        run->src.pub.next_input_byte += skip;
        run->src.pub.bytes_in_buffer -= skip;
        return;
    }
    LARGE_INTEGER by;
    by.QuadPart = (LONGLONG)(skip - run->src.pub.bytes_in_buffer);
    SetFilePointerEx(run->src.file, by, nullptr, FILE_CURRENT);
    run->src.pub.bytes_in_buffer = 0;
}

static void Qx5SrcTerm(j_decompress_ptr)
{
}

// The decode itself; a fatal error of libjpeg-turbo returns false through the jump, with
// what was set up recorded in run for the caller to release.
static bool Qx5JpegRun(QX5_JPEG_RUN* run, int orient, int boxW, int boxH, const wchar_t* dst)
{
    if (setjmp(run->err.jump))
        return false;
    j_decompress_ptr c = &run->cinfo;
    c->client_data = run;       // kept by the creation, which may itself fail
    jpeg_create_decompress(c);
    run->created = true;
    c->src = &run->src.pub;
    run->src.pub.init_source = Qx5SrcInit;
    run->src.pub.fill_input_buffer = Qx5SrcFill;
    run->src.pub.skip_input_data = Qx5SrcSkip;
    run->src.pub.resync_to_restart = jpeg_resync_to_restart;
    run->src.pub.term_source = Qx5SrcTerm;
    run->progress.progress_monitor = Qx5JpegProgress;
    c->progress = &run->progress;
    jpeg_read_header(c, TRUE);

    // The same checks as on the file's first bytes, now on what libjpeg-turbo read.
    QX5_JPEG_HEAD head = {orient, 0xC0, c->image_width, c->image_height, (unsigned)c->data_precision,
                          (unsigned)c->num_components};
    QX5_JPEG_ROUTE route = Qx5JpegRoute(&head);
    if (route == QX5_JPEG_REFUSE || !Qx5PlanGeometry(&run->g, c->image_width, c->image_height, orient)) {
        run->result = QX5_REFUSED;
        return false;
    }
    if (route != QX5_JPEG_LIBJPEG || c->jpeg_color_space == JCS_CMYK || c->jpeg_color_space == JCS_YCCK)
        return false;

    unsigned m = Qx5ChooseEighths(c->image_width, c->image_height, orient, boxW, boxH);
    c->scale_num = m;
    c->scale_denom = 8;
    c->out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(c);
    Qx5ScaleGeometry(&run->g, m);
    if (c->output_width != run->g.srcW || c->output_height != run->g.srcH || c->output_components != 4)
        return false;
    if (!Qx5OutBegin(&run->out, &run->g, dst))
        return false;
    run->outOpen = true;

    // Rows that land left to right are decoded straight into the output; the others pass
    // through one row of the decoder's own memory.
    JSAMPARRAY scratch = c->mem->alloc_sarray((j_common_ptr)c, JPOOL_IMAGE, c->output_width * 4, 1);
    while (c->output_scanline < c->output_height) {
        unsigned sy = c->output_scanline;
        long long base, step;
        unsigned char* at = Qx5OutRow(&run->out, sy, &base, &step);
        if (!at)
            return false;
        JSAMPROW row = step == 4 ? (JSAMPROW)(at + base) : scratch[0];
        if (jpeg_read_scanlines(c, &row, 1) != 1)
            return false;
        if (step != 4)
            Qx5PlaceBgrxRow(row, c->output_width, at, base, step);
    }
    return true;
}

QX5_RESULT Qx5JpegConvert(const wchar_t* src, int orient, int boxW, int boxH, const wchar_t* dst)
{
    QX5_JPEG_RUN* run = (QX5_JPEG_RUN*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(QX5_JPEG_RUN));
    if (!run)
        return QX5_TO_WIC;
    run->result = QX5_TO_WIC;
    run->cinfo.err = jpeg_std_error(&run->err.pub);
    run->err.pub.error_exit = Qx5JpegError;
    run->err.pub.output_message = Qx5JpegMessage;
    run->src.file = CreateFileW(src, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (run->src.file != INVALID_HANDLE_VALUE) {
        bool ok = Qx5JpegRun(run, orient, boxW, boxH, dst);
        if (run->outOpen)
            ok = Qx5OutEnd(&run->out, dst, ok);
        if (ok)
            run->result = QX5_WRITTEN;
        CloseHandle(run->src.file);
    }
    if (run->created)
        jpeg_destroy_decompress(&run->cinfo);
    QX5_RESULT result = run->result;
    HeapFree(GetProcessHeap(), 0, run);
    return result;
}

#else

QX5_RESULT Qx5JpegConvert(const wchar_t*, int, int, int, const wchar_t*)
{
    return QX5_TO_WIC;
}

#endif
