#include "drawing.h"

#include <pango/pangocairo.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace skin_images {

Rgba Hex(unsigned int argb) {
    return {((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0, (argb >> 24) / 255.0};
}

void SetColour(cairo_t* cr, Rgba c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    r = std::min(r, std::min(w, h) / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

namespace {

PangoLayout* Layout(cairo_t* cr, const std::string& text, double size, bool bold) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, "WenQuanYi Micro Hei,Noto Sans CJK SC,sans-serif");
    pango_font_description_set_absolute_size(font, size * PANGO_SCALE);
    pango_font_description_set_weight(font, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    pango_layout_set_text(layout, text.c_str(), -1);
    return layout;
}

}  // namespace

void CentredText(cairo_t* cr, const std::string& text, double cx, double cy, double size, Rgba colour, bool bold) {
    PangoLayout* layout = Layout(cr, text, size, bold);
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    SetColour(cr, colour);
    cairo_move_to(cr, std::round(cx - w / 2.0), std::round(cy - h / 2.0));
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
}

double TextWidth(cairo_t* cr, const std::string& text, double size, bool bold) {
    PangoLayout* layout = Layout(cr, text, size, bold);
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    g_object_unref(layout);
    return w;
}

void LeftText(cairo_t* cr, const std::string& text, double x, double y, double size, Rgba colour, bool bold) {
    PangoLayout* layout = Layout(cr, text, size, bold);
    SetColour(cr, colour);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
}

Canvas::Canvas(int w, int h)
    : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)), cr(cairo_create(surface)), width(w), height(h) {}

Canvas::~Canvas() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

bool Canvas::Save(const std::string& folder, const std::string& name) {
    std::filesystem::path path = std::filesystem::path(folder) / name;
    std::filesystem::create_directories(path.parent_path());
    cairo_surface_flush(surface);
    if (cairo_surface_write_to_png(surface, path.c_str()) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "skin-images: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace skin_images
