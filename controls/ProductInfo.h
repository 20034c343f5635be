// Fixed texts and web addresses of the product.
#pragma once

namespace controls {

constexpr const wchar_t* kProductTitle = L"Quillfen Retrievo";
constexpr const wchar_t* kVersionText = L"3.0.0.3";
constexpr const char* kVersionTextA = "3.0.0.3";

// The maker's web site (placeholder domain).
constexpr const wchar_t* kHomePageUrl = L"https://www.quillfen.example/";
constexpr const wchar_t* kProductPageUrl = L"https://www.quillfen.example/retrievo/";
constexpr const wchar_t* kSupportPageUrl = L"https://www.quillfen.example/support/";
constexpr const wchar_t* kOnlineHelpUrl = L"https://www.quillfen.example/retrievo/help/";

}  // namespace controls
