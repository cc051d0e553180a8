#include "CBackBuffer.h"

#include "CDrawContext.h"

#include <cairo.h>

namespace VSTGUI {

CBackBuffer::CBackBuffer(int w, int h) : width(w), height(h)
{
    image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
}

CBackBuffer::~CBackBuffer() { cairo_surface_destroy(image); }

void CBackBuffer::paint(double scale, const std::function<void(CDrawContext&)>& painter)
{
    cairo_t* cr = cairo_create(image);
    CDrawContext context(cr, scale);
    painter(context);
    cairo_destroy(cr);
    cairo_surface_flush(image);
}

bool CBackBuffer::writePng(const std::string& path) const
{
    return cairo_surface_write_to_png(image, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

} // namespace VSTGUI
