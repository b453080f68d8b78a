#pragma once
// Reading and changing the font of an in-memory dialog template (DLGTEMPLATE or DLGTEMPLATEEX).
// A property sheet lays its pages out in its own font's dialog units; a page whose template
// names another font draws larger or smaller than the room it gets. The sheet gives each page
// a copy of its template in the sheet's font. Portable: plain bytes, no system calls.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

struct TemplateFont {
    std::u16string face;
    uint16_t points = 0;
    uint16_t weight = 0;   // DLGTEMPLATEEX only
    uint8_t italic = 0;    // DLGTEMPLATEEX only
    uint8_t charset = 1;   // DLGTEMPLATEEX only (DEFAULT_CHARSET)
};

//! One control of a template. Classes given by atom (0x80 button, 0x81 edit, 0x82 static,
//! 0x83 list box, 0x84 scroll bar, 0x85 combo box) have an empty className.
struct TemplateControl {
    uint32_t id = 0;
    uint32_t style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    uint16_t classAtom = 0;
    std::u16string className;
    std::u16string text;  // empty for a resource ordinal (an icon or bitmap)
};
//! A template's header and controls.
struct TemplateInfo {
    uint32_t style = 0;
    int16_t cx = 0, cy = 0;
    std::u16string title;
    std::vector<TemplateControl> controls;
};

//! The whole template; false when the bytes end before its last control.
bool ReadTemplate(const uint8_t* bytes, size_t size, TemplateInfo& info);
//! The font a template sets; false when it sets none or the bytes are not a whole template header.
bool ReadTemplateFont(const uint8_t* bytes, size_t size, TemplateFont& font);
//! A copy of a DLGTEMPLATEEX that sets a font, with that font replaced (controls unchanged);
//! empty for anything else.
std::vector<uint8_t> WithTemplateFont(const uint8_t* bytes, size_t size, const TemplateFont& font);

}  // namespace kv
