#pragma once
// Identifiers of the marquee component: class and interface ids, ProgIDs, type names, the
// result codes of its exports and dispatch calls. No Qt here.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zqmarq {

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    bool operator==(const Guid&) const = default;
    bool isNull() const { return *this == Guid{}; }

    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
    std::string toString() const;
    // Accepts the braced form in either case; anything else gives no value.
    static std::optional<Guid> parse(std::string_view text);
    // The 16-byte stored form (first three fields little-endian).
    std::array<std::uint8_t, 16> toBytes() const;
    static Guid fromBytes(const std::uint8_t* bytes);
};

constexpr Guid makeGuid(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3, std::uint8_t b0,
                        std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4,
                        std::uint8_t b5, std::uint8_t b6, std::uint8_t b7) {
    return Guid{d1, d2, d3, {b0, b1, b2, b3, b4, b5, b6, b7}};
}

namespace ids {
// {3F7A12C0-58B4-11CF-9D21-0060B7C4E5A1} ... C4: the library's own identifiers.
inline constexpr Guid kTypeLib =
    makeGuid(0x3F7A12C0, 0x58B4, 0x11CF, 0x9D, 0x21, 0x00, 0x60, 0xB7, 0xC4, 0xE5, 0xA1);
inline constexpr Guid kDispatch =
    makeGuid(0x3F7A12C1, 0x58B4, 0x11CF, 0x9D, 0x21, 0x00, 0x60, 0xB7, 0xC4, 0xE5, 0xA1);
inline constexpr Guid kEvents =
    makeGuid(0x3F7A12C2, 0x58B4, 0x11CF, 0x9D, 0x21, 0x00, 0x60, 0xB7, 0xC4, 0xE5, 0xA1);
inline constexpr Guid kControl =
    makeGuid(0x3F7A12C3, 0x58B4, 0x11CF, 0x9D, 0x21, 0x00, 0x60, 0xB7, 0xC4, 0xE5, 0xA1);
inline constexpr Guid kGeneralPage =
    makeGuid(0x3F7A12C4, 0x58B4, 0x11CF, 0x9D, 0x21, 0x00, 0x60, 0xB7, 0xC4, 0xE5, 0xA1);
inline constexpr Guid kInfoPage =
    makeGuid(0x6D2B8E41, 0xA4F2, 0x11CF, 0x9D, 0x21, 0x00, 0x60, 0xB7, 0xC4, 0xE5, 0xA1);

// Stock pages and the font and picture object classes of the platform.
inline constexpr Guid kStockFontPage =
    makeGuid(0x0BE35200, 0x8F91, 0x11CE, 0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51);
inline constexpr Guid kStockColorPage =
    makeGuid(0x0BE35201, 0x8F91, 0x11CE, 0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51);
inline constexpr Guid kStockPicturePage =
    makeGuid(0x0BE35202, 0x8F91, 0x11CE, 0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51);
inline constexpr Guid kStdFont =
    makeGuid(0x0BE35203, 0x8F91, 0x11CE, 0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51);
inline constexpr Guid kStdPicture =
    makeGuid(0x0BE35204, 0x8F91, 0x11CE, 0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51);

// Component categories: safe for scripting, safe for initialising from persistent data.
inline constexpr Guid kCatSafeForScripting =
    makeGuid(0x7DD95801, 0x9882, 0x11CF, 0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4);
inline constexpr Guid kCatSafeForInitializing =
    makeGuid(0x7DD95802, 0x9882, 0x11CF, 0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4);

// Interfaces a container asks the library for.
inline constexpr Guid kIUnknown =
    makeGuid(0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr Guid kIClassFactory =
    makeGuid(0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr Guid kIDispatch =
    makeGuid(0x00020400, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
} // namespace ids

inline constexpr const char* kTypeLibName = "ZqMarqueeLib";
inline constexpr const char* kTypeLibHelp = "Nimbrel Marquee Control";
inline constexpr int kTypeLibMajor = 1;
inline constexpr int kTypeLibMinor = 2;
inline constexpr int kTypeLibLocale = 1033;
inline constexpr const char* kDispatchName = "_DZqMarquee";
inline constexpr const char* kDispatchHelp = "Dispatch interface for Marquee Control";
inline constexpr const char* kEventsName = "_DZqMarqueeEvents";
inline constexpr const char* kEventsHelp = "Event interface for Marquee Control";

inline constexpr const char* kControlName = "ZqMarquee";
inline constexpr const char* kControlProgId = "ZqMarquee.ZqMarqueeCtrl.1";
inline constexpr const char* kControlTypeName = "Nimbrel Marquee Control";
inline constexpr const char* kGeneralPageProgId = "TK.TkPropPage.1";
inline constexpr const char* kGeneralPageTypeName = "Nimbrel Marquee Property Page";
inline constexpr const char* kGeneralPageCaption = "General";
inline constexpr const char* kInfoPageProgId = "tk.AboutControl";
inline constexpr const char* kInfoPageTypeName = "Nimbrel Info Property Page";
inline constexpr const char* kInfoPageCaption = "Info";
inline constexpr const char* kCatSafeForInitializingText =
    "Controls safely initializable from persistent data";

// set-client-site-first, activate-when-visible, inside-out, can't-link-inside,
// recompose-on-resize.
inline constexpr std::uint32_t kMiscStatus = 0x20191;
inline constexpr const char* kFileVersion = "2, 0, 0, 1";

// Result codes (HRESULT values).
using HResult = std::int32_t;
constexpr HResult hresult(std::uint32_t code) {
    return static_cast<HResult>(code);
}
inline constexpr HResult kSOk = 0;
inline constexpr HResult kSFalse = 1;
inline constexpr HResult kENotImpl = hresult(0x80004001);
inline constexpr HResult kENoInterface = hresult(0x80004002);
inline constexpr HResult kEPointer = hresult(0x80004003);
inline constexpr HResult kEFail = hresult(0x80004005);
inline constexpr HResult kEInvalidArg = hresult(0x80070057);
inline constexpr HResult kClassENotAvailable = hresult(0x80040111);
inline constexpr HResult kRegdbEClassNotReg = hresult(0x80040154);
inline constexpr HResult kSelfRegETypeLib = hresult(0x80040200);
inline constexpr HResult kSelfRegEClass = hresult(0x80040201);
inline constexpr HResult kDispEMemberNotFound = hresult(0x80020003);
inline constexpr HResult kDispETypeMismatch = hresult(0x80020005);
inline constexpr HResult kDispEUnknownName = hresult(0x80020006);
inline constexpr HResult kDispEOverflow = hresult(0x8002000A);
inline constexpr HResult kDispEBadParamCount = hresult(0x8002000E);
inline constexpr HResult kCtlESetNotSupported = hresult(0x800A017F);
inline constexpr HResult kCtlEInvalidPropertyValue = hresult(0x800A017C);

constexpr bool succeeded(HResult hr) {
    return hr >= 0;
}
// Short English text for a result code, for error messages.
std::string describeResult(HResult hr);

} // namespace zqmarq
