#pragma once
// The type library's three enumerations with their member names and help strings, so that a
// container can list them. The values are those of marquee_model.h.

#include <cstdint>
#include <span>
#include <string_view>

namespace zqmarq {

struct EnumMember {
    const char* name;
    std::int32_t value;
    const char* helpString;
};

struct EnumInfo {
    const char* name;
    const char* helpString;
    std::span<const EnumMember> members;
};

const EnumInfo& frameEnum();
const EnumInfo& justificationEnum();
const EnumInfo& directionEnum();
// All three, in the order the type library declares them.
std::span<const EnumInfo* const> typeLibEnums();
// The enumeration of that name, or nullptr.
const EnumInfo* findEnum(std::string_view name);

} // namespace zqmarq
