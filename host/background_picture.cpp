#include "host/background_picture.h"

#include "host/dpi.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace {

int g_decodes = 0;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

// libjpeg's own error exit ends the process; a bad picture must only leave the
// window without one.
void ErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}
void NoMessage(j_common_ptr) {}

} // namespace

bool DecodeJpeg(std::span<const std::uint8_t> jpeg, int& width, int& height, std::vector<std::uint8_t>& rows,
                int eighths, SIZE* unscaled) {
    if (jpeg.empty()) return false;
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = ErrorExit;
    errors.base.output_message = NoMessage;
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&info);
        rows.clear();
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR; // the byte order of a 24-bit DIB
    info.scale_num = static_cast<unsigned>(eighths < 1 ? 1 : eighths > 16 ? 16 : eighths);
    info.scale_denom = 8;
    jpeg_start_decompress(&info);

    std::size_t stride = (info.output_width * 3 + 3) & ~std::size_t{3};
    rows.assign(stride * info.output_height, 0);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rows.data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    width = static_cast<int>(info.output_width);
    height = static_cast<int>(info.output_height);
    if (unscaled) *unscaled = {static_cast<LONG>(info.image_width), static_cast<LONG>(info.image_height)};
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    ++g_decodes;
    return true;
}

namespace {

// The picture at a DPI is its 96-DPI size scaled as the layout is. libjpeg decodes at
// n/8 of the size (n up to 16), rounding up: where that is the size the layout's
// rounding gives (for this picture, 734 x 492, at 72, 96, 108, 120, 144, 156, 168 and
// 192 DPI, and below 72 at 12, 24, 48 and 60) it is taken as it is; anywhere else the
// smallest decode at least that size, or above 192 DPI the 16/8 one, is resampled to
// the size (Ready).
int EighthsFor(int dpi) {
    return (dpi * 8 + kLayoutDpi - 1) / kLayoutDpi;
}

// A 24-bit DIB section holding top-down rows; null when it cannot be made.
HBITMAP MakeSection(int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down, as decoded
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    *bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
    if (section && !*bits) {
        DeleteObject(section);
        return nullptr;
    }
    return section;
}

} // namespace

int BackgroundPicture::DecodeCount() {
    return g_decodes;
}

void BackgroundPicture::SetDpi(int dpi) {
    if (dpi == dpi_) return;
    dpi_ = dpi;
    tried_ = false;
    bitmap_.reset();
}

bool BackgroundPicture::Ready() {
    if (tried_) return bitmap_ ? true : false;
    tried_ = true;
    std::vector<std::uint8_t> rows;
    SIZE unscaled{};
    if (!DecodeJpeg(jpeg_, width_, height_, rows, EighthsFor(dpi_), &unscaled)) return false;
    SIZE size{ScaleToDpi(unscaled.cx, dpi_), ScaleToDpi(unscaled.cy, dpi_)};
    if (size.cx != width_ || size.cy != height_) return Resample(rows, size);

    void* bits = nullptr;
    bitmap_.reset(MakeSection(width_, height_, &bits));
    if (!bitmap_) return false;
    std::memcpy(bits, rows.data(), rows.size());
    return true;
}

bool BackgroundPicture::Resample(const std::vector<std::uint8_t>& rows, SIZE size) {
    void* decodedBits = nullptr;
    BitmapHandle decoded(MakeSection(width_, height_, &decodedBits));
    void* bits = nullptr;
    bitmap_.reset(MakeSection(size.cx, size.cy, &bits));
    if (!decoded || !bitmap_) {
        bitmap_.reset();
        return false;
    }
    std::memcpy(decodedBits, rows.data(), rows.size());
    MemoryDc source(CreateCompatibleDC(nullptr));
    MemoryDc target(CreateCompatibleDC(nullptr));
    SelectedObject from(source.get(), decoded.get());
    SelectedObject to(target.get(), bitmap_.get());
    SetStretchBltMode(target.get(), HALFTONE);
    SetBrushOrgEx(target.get(), 0, 0, nullptr);
    StretchBlt(target.get(), 0, 0, size.cx, size.cy, source.get(), 0, 0, width_, height_, SRCCOPY);
    width_ = size.cx;
    height_ = size.cy;
    return true;
}

void BackgroundPicture::Draw(HDC dc, int x, int y, const RECT& clip) const {
    RECT tile{x, y, x + width_, y + height_};
    RECT part;
    if (!IntersectRect(&part, &tile, &clip)) return;
    MemoryDc source(CreateCompatibleDC(dc));
    SelectedObject selected(source.get(), bitmap_.get());
    BitBlt(dc, part.left, part.top, part.right - part.left, part.bottom - part.top, source.get(),
           part.left - x, part.top - y, SRCCOPY);
}

void BackgroundPicture::DrawScaled(HDC dc, const RECT& target) const {
    MemoryDc source(CreateCompatibleDC(dc));
    SelectedObject selected(source.get(), bitmap_.get());
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
               source.get(), 0, 0, width_, height_, SRCCOPY);
}
