#pragma once
// Small drawing helpers over Cairo and Pango for the skin images.
#include <cairo.h>

#include <string>

namespace skin_images {

struct Rgba {
    double r, g, b, a;
};

// 0xAARRGGBB as the markup writes colours.
Rgba Hex(unsigned int argb);
void SetColour(cairo_t* cr, Rgba colour);
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius);
// Text centred on (cx, cy), in pixels.
void CentredText(cairo_t* cr, const std::string& text, double cx, double cy, double size, Rgba colour,
                 bool bold = false);
// Width of the text in pixels.
double TextWidth(cairo_t* cr, const std::string& text, double size, bool bold);
void LeftText(cairo_t* cr, const std::string& text, double x, double y, double size, Rgba colour, bool bold = false);

// A transparent canvas of the given size; Save writes it as PNG under the folder and frees it.
struct Canvas {
    Canvas(int width, int height);
    ~Canvas();
    bool Save(const std::string& folder, const std::string& name);
    cairo_surface_t* surface;
    cairo_t* cr;
    int width, height;
};

}  // namespace skin_images
