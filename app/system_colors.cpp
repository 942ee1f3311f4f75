#include "app/system_colors.h"

#include <QPalette>

#include "platform/color.h"

namespace t2j {
namespace {

struct SystemColorRole {
  int index;
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

// Windows system colour indices and the palette entries that play their part.
constexpr SystemColorRole kSystemColorRoles[] = {
    {5, QPalette::Active, QPalette::Base},              // COLOR_WINDOW
    {8, QPalette::Active, QPalette::Text},              // COLOR_WINDOWTEXT
    {13, QPalette::Active, QPalette::Highlight},        // COLOR_HIGHLIGHT
    {14, QPalette::Active, QPalette::HighlightedText},  // COLOR_HIGHLIGHTTEXT
    {15, QPalette::Active, QPalette::Button},           // COLOR_BTNFACE
    {16, QPalette::Active, QPalette::Mid},              // COLOR_BTNSHADOW
    {17, QPalette::Disabled, QPalette::Text},           // COLOR_GRAYTEXT
    {18, QPalette::Active, QPalette::ButtonText},       // COLOR_BTNTEXT
    {20, QPalette::Active, QPalette::Light},            // COLOR_BTNHIGHLIGHT
    {21, QPalette::Active, QPalette::Shadow},           // COLOR_3DDKSHADOW
    {22, QPalette::Active, QPalette::Midlight},         // COLOR_3DLIGHT
    {23, QPalette::Active, QPalette::ToolTipText},      // COLOR_INFOTEXT
    {24, QPalette::Active, QPalette::ToolTipBase},      // COLOR_INFOBK
};

}  // namespace

void SetSystemColorsFromPalette(const QPalette& palette) {
  for (const SystemColorRole& entry : kSystemColorRoles) {
    const QColor color = palette.color(entry.group, entry.role);
    SetSysColor(entry.index, MakeColorValue(static_cast<uint8_t>(color.red()),
                                            static_cast<uint8_t>(color.green()),
                                            static_cast<uint8_t>(color.blue())));
  }
}

}  // namespace t2j
