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

//! The font a template sets; false when it sets none or the bytes are not a whole template header.
bool ReadTemplateFont(const uint8_t* bytes, size_t size, TemplateFont& font);
//! A copy of a DLGTEMPLATEEX that sets a font, with that font replaced (controls unchanged);
//! empty for anything else.
std::vector<uint8_t> WithTemplateFont(const uint8_t* bytes, size_t size, const TemplateFont& font);

}  // namespace kv
