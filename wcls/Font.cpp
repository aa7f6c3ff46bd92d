// Font.cpp - counted fonts, font creation and the stock fonts.
#include "Font.h"

#include "Assert.h"
#include "ErrorReport.h"
#include "Handles.h"
#include "PathText.h"

FontStock* g_fstock;

static const char kBadFontNumber[] = "フォント番号範囲外";

Font::~Font()
{
    if (m_bOwned) LibDeleteObject(m_hfont);
}

HFONT CreateFontEx(const char* face, int height, int width, DWORD options)
{
    BYTE family;
    switch (options & FONT_FAMILYMASK) {
    case FONT_ROMAN: family = FF_ROMAN; break;
    case FONT_MODERN: family = FF_MODERN; break;
    case FONT_SCRIPT: family = FF_SCRIPT; break;
    case FONT_SWISS: family = FF_SWISS; break;
    case FONT_DECORATIVE: family = FF_DECORATIVE; break;
    default: family = FF_DONTCARE; break;
    }
    BYTE pitch = (options & FONT_FIXED) ? FIXED_PITCH : DEFAULT_PITCH;
    int weight;
    switch (options & FONT_WEIGHTMASK) {  // one value of the three bits, not any bit
    case FONT_BOLD: weight = FW_BOLD; break;
    case FONT_HEAVY: weight = FW_HEAVY; break;
    case FONT_LIGHT: weight = FW_LIGHT; break;
    default: weight = FW_DONTCARE; break;
    }
    if (face && IsBlankText(face)) face = nullptr;
    return SafeCreateFontA(height, width, 0, 0, weight, (options & FONT_ITALIC) ? TRUE : FALSE,
                           (options & FONT_UNDERLINE) ? TRUE : FALSE, FALSE,
                           (options & FONT_SHIFTJIS) ? SHIFTJIS_CHARSET : ANSI_CHARSET,
                           (options & FONT_TRUETYPE) ? OUT_TT_PRECIS : OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitch | family, face);
}

static SafePtr<Font>& StockSlot(int number)
{
    LIB_ASSERT_AT(g_fstock, "wcls/Func", 2782);
    if (number != FONT_STOCK_FIXED && number != FONT_STOCK_SYSTEM)
        ReportKind(ERR_FATAL, kBadFontNumber);
    return g_fstock->fonts[number == FONT_STOCK_FIXED ? 0 : 1];
}

Font* StockFont(int number)
{
    return StockSlot(number).Get();
}

void ReplaceStockFont(int number, Font* font)
{
    StockSlot(number) = font;
}

bool StockFontsStartup(HINSTANCE)
{
    g_fstock = new FontStock;
    g_fstock->fonts[0] = new Font(static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT)), false);
    g_fstock->fonts[1] = new Font(static_cast<HFONT>(GetStockObject(SYSTEM_FONT)), false);
    return true;
}

void StockFontsShutdown()
{
    delete g_fstock;
    g_fstock = nullptr;
}
