#include "marquee_model.h"

namespace zqmarq {

namespace {
// Classic desktop scheme, indices 0..30 of the system colour table.
constexpr std::array<OleColor, kSystemColorCount> kSystemColors = {
    rgb(192, 192, 192), rgb(0, 128, 128),   rgb(0, 0, 128),     rgb(128, 128, 128),
    rgb(192, 192, 192), rgb(255, 255, 255), rgb(0, 0, 0),       rgb(0, 0, 0),
    rgb(0, 0, 0),       rgb(255, 255, 255), rgb(192, 192, 192), rgb(192, 192, 192),
    rgb(128, 128, 128), rgb(0, 0, 128),     rgb(255, 255, 255), rgb(192, 192, 192),
    rgb(128, 128, 128), rgb(128, 128, 128), rgb(0, 0, 0),       rgb(192, 192, 192),
    rgb(255, 255, 255), rgb(0, 0, 0),       rgb(223, 223, 223), rgb(0, 0, 0),
    rgb(255, 255, 225), rgb(192, 192, 192), rgb(0, 0, 255),     rgb(16, 132, 208),
    rgb(181, 181, 181), rgb(0, 0, 128),     rgb(192, 192, 192)};
} // namespace

SystemColors SystemColors::classic() {
    return {kSystemColors};
}

OleColor translateColor(OleColor c, const SystemColors& system) {
    if ((c & 0xFF000000u) == 0x80000000u) {
        const std::uint32_t index = c & 0xFFFFu;
        return index < system.colors.size() ? system.colors[index] & 0x00FFFFFFu : rgb(0, 0, 0);
    }
    // Palette-relative and palette-index forms: keep the RGB part.
    return c & 0x00FFFFFFu;
}

} // namespace zqmarq
