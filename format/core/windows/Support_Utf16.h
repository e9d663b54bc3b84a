// Names between the program (UTF-8) and Windows' calls (UTF-16).
#pragma once

#include <string>

namespace transvane {

// Text that is not valid UTF-8 (or UTF-16) converts with the replacement
// character in place of what is broken, so a damaged name is refused by the
// system instead of naming some other file.
std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);

// The POSIX error number nearest to a Windows error code (GetLastError()),
// so that a cause reads the same as on other systems; EIO for the rest.
int ErrorNumberOf(unsigned long windowsError);

}  // namespace transvane
