// Font.h - counted fonts, the library's font creation and the stock fonts.
#pragma once

#include <windows.h>

#include "FObject.h"

// A counted font; a font it does not own (a system stock font) is not
// deleted with it.
class Font : public SafeObject {
public:
    Font(HFONT font, bool owned) : m_hfont(font), m_bOwned(owned) {}
    ~Font() override;
    HFONT Handle() const { return m_hfont; }

private:
    HFONT m_hfont;
    bool m_bOwned;
};

// Option bits of CreateFontEx.
enum : DWORD {
    FONT_ROMAN = 0x01,
    FONT_MODERN = 0x02,
    FONT_SCRIPT = 0x04,
    FONT_SWISS = 0x08,
    FONT_DECORATIVE = 0x10,
    FONT_FAMILYMASK = 0x1F,
    FONT_SHIFTJIS = 0x20,   // else the ANSI character set
    FONT_TRUETYPE = 0x40,   // TrueType output precision
    FONT_FIXED = 0x80,      // fixed pitch
    FONT_BOLD = 0x100,      // weight 700
    FONT_HEAVY = 0x200,     // weight 900
    FONT_LIGHT = 0x400,     // weight 300
    FONT_WEIGHTMASK = 0x700,  // exactly one of the three; any other value: the default weight
    FONT_ITALIC = 0x800,
    FONT_UNDERLINE = 0x1000,
};

// A blank face is left to the system.
HFONT CreateFontEx(const char* face, int height, int width, DWORD options);

// The stock fonts: number -6 the system fixed font, -7 the system font.
enum { FONT_STOCK_FIXED = -6, FONT_STOCK_SYSTEM = -7 };

struct FontStock : FObject {
    SafePtr<Font> fonts[2];
};
extern FontStock* g_fstock;

Font* StockFont(int number);
void ReplaceStockFont(int number, Font* font);

bool StockFontsStartup(HINSTANCE hinst);
void StockFontsShutdown();
