#include "host/background_picture.h"

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

bool DecodeJpeg(std::span<const std::uint8_t> jpeg, int& width, int& height,
                std::vector<std::uint8_t>& rows) {
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
    jpeg_start_decompress(&info);

    std::size_t stride = (info.output_width * 3 + 3) & ~std::size_t{3};
    rows.assign(stride * info.output_height, 0);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rows.data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    width = static_cast<int>(info.output_width);
    height = static_cast<int>(info.output_height);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    ++g_decodes;
    return true;
}

int BackgroundPicture::DecodeCount() {
    return g_decodes;
}

bool BackgroundPicture::Ready() {
    if (tried_) return bitmap_ ? true : false;
    tried_ = true;
    std::vector<std::uint8_t> rows;
    if (!DecodeJpeg(jpeg_, width_, height_, rows)) return false;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_; // top-down, as decoded
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_ || !bits) {
        bitmap_.reset();
        return false;
    }
    std::memcpy(bits, rows.data(), rows.size());
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
