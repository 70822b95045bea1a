// Draws every image of the installer's skin: skin-images <skin folder>.
// The look: white and pale-blue surfaces, the brand blues #1890FF and #1675FE, rounded shapes.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "drawing.h"

using namespace skin_images;

namespace {

const Rgba kBlue = Hex(0xFF1890FF);
const Rgba kDeepBlue = Hex(0xFF1675FE);
const Rgba kHotBlue = Hex(0xFF40A9FF);
const Rgba kPushedBlue = Hex(0xFF0E5FD8);
const Rgba kWhite = Hex(0xFFFFFFFF);
const Rgba kGrey = Hex(0xFF8C929D);

std::string g_folder;
int g_failures = 0;

// The brand's gradient, light to deep blue from (x0, y0) to (x1, y1), filling the current path.
void FillBrandGradient(cairo_t* cr, double x0, double y0, double x1, double y1) {
    cairo_pattern_t* gradient = cairo_pattern_create_linear(x0, y0, x1, y1);
    cairo_pattern_add_color_stop_rgb(gradient, 0, kHotBlue.r, kHotBlue.g, kHotBlue.b);
    cairo_pattern_add_color_stop_rgb(gradient, 1, kDeepBlue.r, kDeepBlue.g, kDeepBlue.b);
    cairo_set_source(cr, gradient);
    cairo_fill(cr);
    cairo_pattern_destroy(gradient);
}

void Save(Canvas& canvas, const std::string& name) {
    if (!canvas.Save(g_folder, name)) ++g_failures;
}

// Page backgrounds: a pale gradient with soft circles; each page shifts the accents.
void Background(const std::string& name, int variant) {
    Canvas c(600, 400);
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, 400);
    cairo_pattern_add_color_stop_rgb(sky, 0, 0.93, 0.96, 1.0);
    cairo_pattern_add_color_stop_rgb(sky, 0.55, 1.0, 1.0, 1.0);
    cairo_pattern_add_color_stop_rgb(sky, 1, 0.97, 0.985, 1.0);
    cairo_set_source(c.cr, sky);
    cairo_paint(c.cr);
    cairo_pattern_destroy(sky);

    struct Circle {
        double x, y, r, alpha;
    };
    const Circle circles[4][3] = {
        {{560, 30, 130, 0.10}, {40, 390, 110, 0.07}, {470, 360, 50, 0.06}},
        {{590, 60, 120, 0.08}, {10, 340, 90, 0.07}, {120, 40, 40, 0.05}},
        {{520, -10, 150, 0.10}, {60, 420, 140, 0.08}, {560, 330, 40, 0.06}},
        {{80, 20, 120, 0.09}, {560, 380, 130, 0.08}, {520, 90, 36, 0.07}},
    };
    for (const Circle& circle : circles[variant]) {
        cairo_pattern_t* glow = cairo_pattern_create_radial(circle.x, circle.y, 0, circle.x, circle.y, circle.r);
        cairo_pattern_add_color_stop_rgba(glow, 0, kBlue.r, kBlue.g, kBlue.b, circle.alpha * 1.6);
        cairo_pattern_add_color_stop_rgba(glow, 1, kBlue.r, kBlue.g, kBlue.b, 0);
        cairo_set_source(c.cr, glow);
        cairo_arc(c.cr, circle.x, circle.y, circle.r, 0, 2 * M_PI);
        cairo_fill(c.cr);
        cairo_pattern_destroy(glow);
    }
    // A gentle wave along the bottom.
    cairo_move_to(c.cr, 0, 360);
    cairo_curve_to(c.cr, 150, 330 + variant * 4, 380, 395, 600, 350 - variant * 3);
    cairo_line_to(c.cr, 600, 400);
    cairo_line_to(c.cr, 0, 400);
    cairo_close_path(c.cr);
    cairo_pattern_t* wave = cairo_pattern_create_linear(0, 0, 600, 0);
    cairo_pattern_add_color_stop_rgba(wave, 0, kBlue.r, kBlue.g, kBlue.b, 0.10);
    cairo_pattern_add_color_stop_rgba(wave, 1, kDeepBlue.r, kDeepBlue.g, kDeepBlue.b, 0.16);
    cairo_set_source(c.cr, wave);
    cairo_fill(c.cr);
    cairo_pattern_destroy(wave);
    if (variant == 3) {
        // The finish page: a few confetti dots.
        const double dots[][3] = {{120, 120, 4}, {470, 140, 5}, {160, 260, 3}, {430, 250, 4}, {300, 70, 3}, {80, 200, 3}};
        for (const auto& d : dots) {
            SetColour(c.cr, (static_cast<int>(d[0]) % 3) ? Hex(0x661890FF) : Hex(0x66FAAD14));
            cairo_arc(c.cr, d[0], d[1], d[2], 0, 2 * M_PI);
            cairo_fill(c.cr);
        }
    }
    Save(c, name);
}

void Logo() {
    // Icon and product name, centred as a group; the slogan under the name is text of the
    // window's own (it follows the interface language), placed by the markup.
    Canvas c(300, 80);
    const double titleWidth = TextWidth(c.cr, "Kelvo Kids", 30, true);
    const double x0 = std::round((300 - (64 + 16 + titleWidth)) / 2);
    RoundedRect(c.cr, x0, 8, 64, 64, 16);
    FillBrandGradient(c.cr, x0, 8, x0 + 64, 72);
    CentredText(c.cr, "K", x0 + 32, 40, 40, kWhite, true);
    SetColour(c.cr, Hex(0xFFFAAD14));
    cairo_arc(c.cr, x0 + 52, 20, 6, 0, 2 * M_PI);
    cairo_fill(c.cr);
    LeftText(c.cr, "Kelvo Kids", x0 + 80, 8, 30, Hex(0xFF1F2D3D), true);
    std::printf("logo: the slogan starts %g pixels from the image's left edge\n", x0 + 82);
    Save(c, "res/mainWnd/logo.png");
}

// A pill-shaped button in the brand blue: normal, hot and pushed.
void PillButton(const std::string& base, int width, int height) {
    const Rgba tops[] = {kHotBlue, Hex(0xFF69C0FF), kDeepBlue};
    const Rgba bottoms[] = {kDeepBlue, kBlue, kPushedBlue};
    for (int state = 0; state < 3; ++state) {
        Canvas c(width, height);
        // A soft shadow under the pill, lighter when pushed.
        RoundedRect(c.cr, 3, 5, width - 6, height - 6, (height - 6) / 2.0);
        SetColour(c.cr, Rgba{kBlue.r, kBlue.g, kBlue.b, state == 2 ? 0.10 : 0.22});
        cairo_fill(c.cr);
        cairo_pattern_t* fill = cairo_pattern_create_linear(0, 0, 0, height);
        cairo_pattern_add_color_stop_rgb(fill, 0, tops[state].r, tops[state].g, tops[state].b);
        cairo_pattern_add_color_stop_rgb(fill, 1, bottoms[state].r, bottoms[state].g, bottoms[state].b);
        RoundedRect(c.cr, 2, state == 2 ? 2 : 1, width - 4, height - 5, (height - 5) / 2.0);
        cairo_set_source(c.cr, fill);
        cairo_fill(c.cr);
        cairo_pattern_destroy(fill);
        Save(c, base + std::to_string(state + 1) + ".png");
    }
}

// A small outlined button (folder choice): normal, hot and pushed.
void OutlinedButton(const std::string& base, int width, int height) {
    const Rgba fills[] = {kWhite, Hex(0xFFE6F4FF), Hex(0xFFBAE0FF)};
    const Rgba borders[] = {kBlue, kHotBlue, kDeepBlue};
    for (int state = 0; state < 3; ++state) {
        Canvas c(width, height);
        RoundedRect(c.cr, 0.5, 0.5, width - 1, height - 1, 4);
        SetColour(c.cr, fills[state]);
        cairo_fill_preserve(c.cr);
        SetColour(c.cr, borders[state]);
        cairo_set_line_width(c.cr, 1);
        cairo_stroke(c.cr);
        Save(c, base + std::to_string(state + 1) + ".png");
    }
}

void BackButton() {
    const Rgba colours[] = {Hex(0xFF5B6B82), kBlue, kDeepBlue};
    for (int state = 0; state < 3; ++state) {
        Canvas c(30, 30);
        if (state > 0) {
            cairo_arc(c.cr, 15, 15, 13, 0, 2 * M_PI);
            SetColour(c.cr, Hex(state == 1 ? 0x221890FF : 0x331675FE));
            cairo_fill(c.cr);
        }
        SetColour(c.cr, colours[state]);
        cairo_set_line_width(c.cr, 2);
        cairo_set_line_cap(c.cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(c.cr, CAIRO_LINE_JOIN_ROUND);
        cairo_move_to(c.cr, 17, 9);
        cairo_line_to(c.cr, 11, 15);
        cairo_line_to(c.cr, 17, 21);
        cairo_stroke(c.cr);
        Save(c, "res/mainWnd/backBtn" + std::to_string(state + 1) + ".png");
    }
}

void CustomLink() {
    // The "custom install" link: a chevron at the right; the hot state adds an underline.
    for (int state = 0; state < 2; ++state) {
        Canvas c(100, 24);
        SetColour(c.cr, state ? kDeepBlue : kBlue);
        cairo_set_line_width(c.cr, 1.5);
        cairo_set_line_cap(c.cr, CAIRO_LINE_CAP_ROUND);
        cairo_move_to(c.cr, 89, 8);
        cairo_line_to(c.cr, 93, 12);
        cairo_line_to(c.cr, 89, 16);
        cairo_stroke(c.cr);
        if (state) {
            cairo_rectangle(c.cr, 8, 21, 76, 1);
            cairo_fill(c.cr);
        }
        Save(c, "res/mainWnd/customeBtn" + std::to_string(state + 1) + ".png");
    }
}

void TitleGlyph(const std::string& name, int size, bool close, int state, bool box) {
    Canvas c(size, size);
    Rgba glyph = Hex(0xFF8C929D);
    if (state > 0) {
        Rgba back = close && !box ? Hex(state == 1 ? 0xFFFF4D4F : 0xFFD9363E) : Hex(state == 1 ? 0x1A1890FF : 0x331675FE);
        RoundedRect(c.cr, 1, 1, size - 2, size - 2, box ? size / 2.0 - 1 : 4);
        SetColour(c.cr, back);
        cairo_fill(c.cr);
        glyph = close && !box ? kWhite : (state == 1 ? kBlue : kDeepBlue);
    }
    SetColour(c.cr, glyph);
    cairo_set_line_width(c.cr, 1.6);
    cairo_set_line_cap(c.cr, CAIRO_LINE_CAP_ROUND);
    double m = size / 2.0, d = size * 0.18;
    if (close) {
        cairo_move_to(c.cr, m - d, m - d);
        cairo_line_to(c.cr, m + d, m + d);
        cairo_move_to(c.cr, m + d, m - d);
        cairo_line_to(c.cr, m - d, m + d);
    } else {
        cairo_move_to(c.cr, m - d - 1, m + 0.5);
        cairo_line_to(c.cr, m + d + 1, m + 0.5);
    }
    cairo_stroke(c.cr);
    Save(c, name);
}

void CheckBoxes() {
    for (int ticked = 0; ticked < 2; ++ticked) {
        Canvas c(14, 14);
        RoundedRect(c.cr, 0.5, 0.5, 13, 13, 3);
        if (ticked) {
            SetColour(c.cr, kBlue);
            cairo_fill(c.cr);
            SetColour(c.cr, kWhite);
            cairo_set_line_width(c.cr, 1.8);
            cairo_set_line_cap(c.cr, CAIRO_LINE_CAP_ROUND);
            cairo_set_line_join(c.cr, CAIRO_LINE_JOIN_ROUND);
            cairo_move_to(c.cr, 3.5, 7.2);
            cairo_line_to(c.cr, 6, 9.8);
            cairo_line_to(c.cr, 10.5, 4.5);
            cairo_stroke(c.cr);
        } else {
            SetColour(c.cr, kWhite);
            cairo_fill_preserve(c.cr);
            SetColour(c.cr, Hex(0xFFC0C6D0));
            cairo_set_line_width(c.cr, 1);
            cairo_stroke(c.cr);
        }
        Save(c, std::string("res/mainWnd/Cb") + (ticked ? "2" : "1") + ".png");
    }
}

void EditFrame() {
    Canvas c(40, 32);
    RoundedRect(c.cr, 0.5, 0.5, 39, 31, 4);
    SetColour(c.cr, kWhite);
    cairo_fill_preserve(c.cr);
    SetColour(c.cr, Hex(0xFFD0D7E2));
    cairo_set_line_width(c.cr, 1);
    cairo_stroke(c.cr);
    Save(c, "res/mainWnd/installDirEdit.png");
}

void ProgressImages() {
    Canvas track(16, 8);
    RoundedRect(track.cr, 0, 0, 16, 8, 4);
    SetColour(track.cr, Hex(0xFFE3EDF9));
    cairo_fill(track.cr);
    Save(track, "res/mainWnd/installPrg1.png");
    Canvas fill(16, 8);
    RoundedRect(fill.cr, 0, 0, 16, 8, 4);
    FillBrandGradient(fill.cr, 0, 0, 0, 8);
    Save(fill, "res/mainWnd/installPrg2.png");
}

void Tip() {
    // A small speech bubble pointing down at the agreement row.
    Canvas c(180, 34);
    RoundedRect(c.cr, 0.5, 0.5, 179, 26, 4);
    cairo_move_to(c.cr, 24, 26.5);
    cairo_line_to(c.cr, 30, 33);
    cairo_line_to(c.cr, 36, 26.5);
    SetColour(c.cr, Hex(0xFFFFF7E6));
    cairo_fill_preserve(c.cr);
    SetColour(c.cr, Hex(0xFFFFC069));
    cairo_set_line_width(c.cr, 1);
    cairo_stroke(c.cr);
    CentredText(c.cr, "请先阅读并同意用户许可协议", 90, 13.5, 12, Hex(0xFFD46B08));
    Save(c, "res/mainWnd/tipLbl.png");
}

void Finished() {
    Canvas c(80, 80);
    cairo_arc(c.cr, 40, 40, 38, 0, 2 * M_PI);
    SetColour(c.cr, Hex(0x261890FF));
    cairo_fill(c.cr);
    cairo_arc(c.cr, 40, 40, 30, 0, 2 * M_PI);
    FillBrandGradient(c.cr, 0, 8, 0, 72);
    SetColour(c.cr, kWhite);
    cairo_set_line_width(c.cr, 5);
    cairo_set_line_cap(c.cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(c.cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(c.cr, 27, 41);
    cairo_line_to(c.cr, 36, 50);
    cairo_line_to(c.cr, 54, 31);
    cairo_stroke(c.cr);
    Save(c, "res/mainWnd/finished.png");
}

void Icons() {
    struct Icon {
        const char* name;
        unsigned int colour;
        const char* glyph;
    } icons[] = {{"icoQuest.png", 0xFF1890FF, "?"}, {"icoWarn.png", 0xFFFAAD14, "!"}, {"icoNetwork.png", 0xFF1675FE, nullptr}};
    for (const Icon& icon : icons) {
        Canvas c(40, 40);
        cairo_arc(c.cr, 20, 20, 19, 0, 2 * M_PI);
        SetColour(c.cr, Hex(icon.colour));
        cairo_fill(c.cr);
        if (icon.glyph) {
            CentredText(c.cr, icon.glyph, 20, 20, 26, kWhite, true);
        } else {
            // Wireless arcs with a dot.
            SetColour(c.cr, kWhite);
            cairo_set_line_width(c.cr, 2.6);
            cairo_set_line_cap(c.cr, CAIRO_LINE_CAP_ROUND);
            for (double r : {6.0, 11.0, 16.0}) {
                cairo_new_sub_path(c.cr);
                cairo_arc(c.cr, 20, 29, r, -M_PI * 0.75, -M_PI * 0.25);
                cairo_stroke(c.cr);
            }
            cairo_arc(c.cr, 20, 29, 2.4, 0, 2 * M_PI);
            cairo_fill(c.cr);
        }
        Save(c, std::string("res/MessageBoxWnd/") + icon.name);
    }
}

// 24 frames of a spinner: twelve dots whose brightness runs round the ring.
void Animation() {
    for (int frame = 0; frame < 24; ++frame) {
        Canvas c(48, 48);
        for (int dot = 0; dot < 12; ++dot) {
            double angle = dot * M_PI / 6 - M_PI / 2;
            double head = frame * M_PI / 12;  // half a dot per frame
            double behind = std::fmod(head - dot * M_PI / 6 + 4 * M_PI, 2 * M_PI) / (2 * M_PI);
            double alpha = 0.15 + 0.85 * (1 - behind);
            double radius = 2.2 + 1.6 * (1 - behind);
            Rgba colour = dot % 2 ? kBlue : kDeepBlue;
            cairo_set_source_rgba(c.cr, colour.r, colour.g, colour.b, alpha);
            cairo_arc(c.cr, 24 + 17 * std::cos(angle), 24 + 17 * std::sin(angle), radius, 0, 2 * M_PI);
            cairo_fill(c.cr);
        }
        char name[64];
        std::snprintf(name, sizeof name, "res/mainWnd/installBtnAnimate/%03d.png", frame);
        Save(c, name);
    }
}

// The program's icon (icon resource 145): the logo's tile on its own.
void ProgramIcon(const std::string& path) {
    Canvas c(64, 64);
    RoundedRect(c.cr, 2, 2, 60, 60, 15);
    FillBrandGradient(c.cr, 0, 0, 64, 64);
    CentredText(c.cr, "K", 32, 33, 40, kWhite, true);
    SetColour(c.cr, Hex(0xFFFAAD14));
    cairo_arc(c.cr, 50, 15, 6, 0, 2 * M_PI);
    cairo_fill(c.cr);
    if (!c.Save("", path)) ++g_failures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: skin-images <skin folder> [<icon file>]\n");
        return 2;
    }
    g_folder = argv[1];
    if (argc == 3) ProgramIcon(argv[2]);
    for (int page = 0; page < 4; ++page) Background("res/mainWnd/bg" + std::to_string(page + 1) + ".png", page);
    Logo();
    PillButton("res/mainWnd/installBtn", 200, 48);
    PillButton("res/mainWnd/experienceBtn", 200, 48);
    OutlinedButton("res/mainWnd/chDirBtn", 64, 32);
    BackButton();
    CustomLink();
    for (int state = 0; state < 3; ++state) {
        std::string n = std::to_string(state + 1);
        TitleGlyph("res/common/closebtn" + n + ".png", 30, true, state, false);
        TitleGlyph("res/common/minbtn" + n + ".png", 30, false, state, false);
        TitleGlyph("res/common/closebtnM_" + n + ".png", 24, true, state, true);
    }
    CheckBoxes();
    EditFrame();
    ProgressImages();
    Tip();
    Finished();
    Icons();
    Animation();
    return g_failures == 0 ? 0 : 1;
}
