// Self-registration: the AppID, every class of the class table and the type library.
#pragma once

#include <objbase.h>

namespace vex::module {

// The AppID written into every registry script for %APPID%.
inline constexpr wchar_t app_id[] = L"{6B5E2E5D-B987-492D-95AC-465C7126F277}";

HRESULT register_server() noexcept;
HRESULT unregister_server() noexcept;

} // namespace vex::module
