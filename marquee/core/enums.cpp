#include "enums.h"

#include <array>

namespace zqmarq {

namespace {
constexpr std::array<EnumMember, 6> kFrameMembers = {{
    {"None", 0, "None"},
    {"FrameLightIndent", 1, "Light Indent"},
    {"FrameHeavyIndent", 2, "Heavy Indent"},
    {"FrameIndent", 3, "Indent Frame"},
    {"FrameHeavyOutdent", 4, "Heavy Outdent"},
    {"FrameShadow", 5, "Shadow"},
}};
constexpr std::array<EnumMember, 3> kJustificationMembers = {{
    {"LeftOrTop", 0, "Left/Top Justified"},
    {"Centered", 1, "Centered"},
    {"RightOrBottom", 2, "Right/Bottom Justified"},
}};
constexpr std::array<EnumMember, 4> kDirectionMembers = {{
    {"RightToLeft", 0, "Scroll from right to left"},
    {"LeftToRight", 1, "Scroll from left to right"},
    {"TopToBottom", 2, "Scroll from top to bottom"},
    {"BottomToTop", 3, "Scroll from bottom to top"},
}};

const EnumInfo kFrame{"enumMarqueeFrame", "Constants used to set Frame", kFrameMembers};
const EnumInfo kJustification{"enumMarqueeTextJustification",
                              "Constants used to specify how text and images will be justified",
                              kJustificationMembers};
const EnumInfo kDirection{"enumMarqueeScrollDirection",
                          "Constants used to specify the direction to scroll", kDirectionMembers};
const std::array<const EnumInfo*, 3> kAll = {&kFrame, &kJustification, &kDirection};
} // namespace

const EnumInfo& frameEnum() {
    return kFrame;
}
const EnumInfo& justificationEnum() {
    return kJustification;
}
const EnumInfo& directionEnum() {
    return kDirection;
}
std::span<const EnumInfo* const> typeLibEnums() {
    return kAll;
}

const EnumInfo* findEnum(std::string_view name) {
    for (const EnumInfo* e : kAll) {
        if (name == e->name)
            return e;
    }
    return nullptr;
}

} // namespace zqmarq
