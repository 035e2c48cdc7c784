#include "platform/win32/win32_keyboard.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace vkm {

namespace {

// The name the system gives the layout of this identifier ("00000405"): in the user's language,
// else in English; "" when it has none (Wine has no such names).
std::wstring RegisteredName(const std::wstring& id) {
    const std::wstring path = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts\\" + id;
    HKEY layout = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &layout) != ERROR_SUCCESS) return L"";
    wchar_t name[256] = {};
    DWORD size = 0;
    if (RegLoadMUIStringW(layout, L"Layout Display Name", name, sizeof name, &size, 0, nullptr) !=
        ERROR_SUCCESS) {
        name[0] = L'\0';
        size = sizeof name - sizeof name[0];  // the last character stays the end
        if (RegQueryValueExW(layout, L"Layout Text", nullptr, nullptr, reinterpret_cast<BYTE*>(name),
                             &size) != ERROR_SUCCESS)
            name[0] = L'\0';
    }
    RegCloseKey(layout);
    return name;
}

}  // namespace

unsigned char Win32KeyboardLayout::VirtualKey(unsigned scan) const {
    const UINT vk = MapVirtualKeyExW(scan, MAPVK_VSC_TO_VK_EX, GetKeyboardLayout(0));
    return vk <= 0xFF ? static_cast<unsigned char>(vk) : 0;
}

std::string Win32KeyboardLayout::Name() const {
    wchar_t id[KL_NAMELENGTH] = {};
    if (!GetKeyboardLayoutNameW(id)) return "?";
    std::wstring name = RegisteredName(id);
    if (name.empty()) {
        // The language the layout is for ("English (United States)").
        const LANGID language = LOWORD(reinterpret_cast<UINT_PTR>(GetKeyboardLayout(0)));
        wchar_t shown[128] = {};
        name = GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SLOCALIZEDDISPLAYNAME, shown, 128) > 1
                   ? std::wstring(shown)
                   : std::wstring(id);
    }
    return FromWide(name);
}

}  // namespace vkm
