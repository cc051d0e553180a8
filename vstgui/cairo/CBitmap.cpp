#include "CBitmap.h"

#include <cairo.h>
#include <png.h>

#include <cstring>
#include <vector>

namespace VSTGUI {

namespace {

struct PngReader {
    const uint8_t* data;
    size_t size;
    size_t position;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t count)
{
    auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (count > reader->size - reader->position)
        png_error(png, "truncated image");
    memcpy(out, reader->data + reader->position, count);
    reader->position += count;
}

// Decodes into cairo's premultiplied native-endian ARGB; nullptr when the
// bytes are not a PNG we can read.
cairo_surface_t* decode(const uint8_t* bytes, size_t size)
{
    if (size < 8 || png_sig_cmp(bytes, 0, 8) != 0)
        return nullptr;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return nullptr;
    png_infop info = png_create_info_struct(png);
    cairo_surface_t* surface = nullptr;
    std::vector<uint8_t> pixels;
    std::vector<png_bytep> rows;
    PngReader reader{bytes, size, 0};
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &reader, readFromMemory);
        png_read_info(png, info);
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_filler(png, 0xff, PNG_FILLER_AFTER);
        png_read_update_info(png, info);
        const png_uint_32 width = png_get_image_width(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        pixels.resize(size_t(width) * height * 4);
        rows.resize(height);
        for (png_uint_32 y = 0; y < height; ++y)
            rows[y] = pixels.data() + size_t(y) * width * 4;
        png_read_image(png, rows.data());
        surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(width), int(height));
        unsigned char* target = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        for (png_uint_32 y = 0; y < height; ++y) {
            auto* out = reinterpret_cast<uint32_t*>(target + size_t(y) * stride);
            const uint8_t* in = rows[y];
            for (png_uint_32 x = 0; x < width; ++x, in += 4) {
                const uint32_t a = in[3];
                out[x] = (a << 24) | ((in[0] * a / 255) << 16) | ((in[1] * a / 255) << 8) | (in[2] * a / 255);
            }
        }
        cairo_surface_mark_dirty(surface);
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return surface;
}

} // namespace

CBitmap::CBitmap(const uint8_t* png, size_t size, double scale)
{
    image = decode(png, size);
    if (!image)
        image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_surface_set_device_scale(image, scale, scale);
    width = cairo_image_surface_get_width(image) / scale;
    height = cairo_image_surface_get_height(image) / scale;
}

CBitmap::~CBitmap() { cairo_surface_destroy(image); }

} // namespace VSTGUI
