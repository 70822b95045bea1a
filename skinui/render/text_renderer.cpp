#include "skinui/render/text_renderer.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "platform/utf8.h"

namespace SkinUI {

std::string FontFamilyList(const std::wstring& faceName) {
    std::string list;
    if (!faceName.empty()) list = platform::WideToUtf8(faceName) + ",";
    return list + "WenQuanYi Micro Hei,Noto Sans CJK SC,sans-serif";
}

namespace {

PangoFontDescription* Describe(const FontSpec& font) {
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, FontFamilyList(font.name).c_str());
    pango_font_description_set_absolute_size(description, std::max(1, font.size) * PANGO_SCALE);
    pango_font_description_set_weight(description, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return description;
}

// A layout on a scratch context, for measuring.
struct Measurer {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cairo = cairo_create(surface);
    ~Measurer() {
        cairo_destroy(cairo);
        cairo_surface_destroy(surface);
    }
};

Measurer& ThreadMeasurer() {
    thread_local Measurer measurer;
    return measurer;
}

void Configure(cairo_t* cairo, PangoLayout* layout, const std::wstring& text, const FontSpec& font) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
    cairo_font_options_destroy(options);
    pango_cairo_update_layout(cairo, layout);
    PangoFontDescription* description = Describe(font);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    std::string utf8 = platform::WideToUtf8(text);
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    if (font.underline) {
        PangoAttrList* attributes = pango_attr_list_new();
        pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        pango_layout_set_attributes(layout, attributes);
        pango_attr_list_unref(attributes);
    }
}

}  // namespace

int FontHeight(const FontSpec& font) {
    thread_local std::map<std::tuple<std::wstring, int, bool, bool>, int> heights;
    auto key = std::make_tuple(font.name, font.size, font.bold, font.italic);
    auto found = heights.find(key);
    if (found != heights.end()) return found->second;
    Measurer& m = ThreadMeasurer();
    PangoLayout* layout = pango_cairo_create_layout(m.cairo);
    Configure(m.cairo, layout, L"Kg", font);
    PangoFontMetrics* metrics = pango_context_get_metrics(pango_layout_get_context(layout),
                                                          pango_layout_get_font_description(layout), nullptr);
    int height = PANGO_PIXELS_CEIL(pango_font_metrics_get_ascent(metrics) + pango_font_metrics_get_descent(metrics));
    pango_font_metrics_unref(metrics);
    g_object_unref(layout);
    heights[key] = height;
    return height;
}

UiSize MeasureText(const std::wstring& text, const FontSpec& font, int wrapWidth) {
    if (text.empty()) return {0, FontHeight(font)};
    Measurer& m = ThreadMeasurer();
    PangoLayout* layout = pango_cairo_create_layout(m.cairo);
    Configure(m.cairo, layout, text, font);
    if (wrapWidth > 0) {
        pango_layout_set_width(layout, wrapWidth * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    int width = 0, height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    g_object_unref(layout);
    return {width, height};
}

void DrawText(Bitmap& target, const UiRect& rect, const UiRect& clip, const std::wstring& text,
              const FontSpec& font, Colour colour, UINT style) {
    UiRect area = Intersect(Intersect(rect, clip), target.Bounds());
    if (text.empty() || area.IsEmpty() || (colour >> 24) == 0) return;
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(target.Data()), CAIRO_FORMAT_ARGB32, target.Width(), target.Height(),
        target.Stride());
    cairo_t* cairo = cairo_create(surface);
    cairo_rectangle(cairo, area.left, area.top, area.Width(), area.Height());
    cairo_clip(cairo);
    PangoLayout* layout = pango_cairo_create_layout(cairo);
    Configure(cairo, layout, text, font);
    const bool wrap = (style & DT_WORDBREAK) && !(style & DT_SINGLELINE);
    if (wrap) {
        pango_layout_set_width(layout, std::max(1, rect.Width()) * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    } else {
        pango_layout_set_single_paragraph_mode(layout, (style & DT_SINGLELINE) != 0);
        if (style & DT_END_ELLIPSIS) {
            pango_layout_set_width(layout, std::max(1, rect.Width()) * PANGO_SCALE);
            pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        }
    }
    PangoAlignment alignment = (style & DT_CENTER) ? PANGO_ALIGN_CENTER
                               : (style & DT_RIGHT) ? PANGO_ALIGN_RIGHT
                                                    : PANGO_ALIGN_LEFT;
    pango_layout_set_alignment(layout, alignment);
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    double x = rect.left;
    if (!wrap && !(style & DT_END_ELLIPSIS)) {
        if (style & DT_CENTER) x = rect.left + (rect.Width() - logical.width) / 2.0;
        else if (style & DT_RIGHT) x = rect.right - logical.width;
    }
    double y = rect.top;
    if (style & DT_VCENTER) y = rect.top + (rect.Height() - logical.height) / 2.0;
    else if (style & DT_BOTTOM) y = rect.bottom - logical.height;
    cairo_move_to(cairo, std::floor(x), std::floor(y));
    cairo_set_source_rgba(cairo, ((colour >> 16) & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0,
                          (colour & 0xFF) / 255.0, (colour >> 24) / 255.0);
    pango_cairo_show_layout(cairo, layout);
    g_object_unref(layout);
    cairo_destroy(cairo);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
}

}  // namespace SkinUI
