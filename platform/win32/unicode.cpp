// Conversions between the core's UTF-8 and the UTF-16 of the Win32 API.
#include "platform/win32/win32.hpp"

namespace plat::win32 {

std::wstring Wide(std::string_view text) {
  if (text.empty()) return {};
  int size = static_cast<int>(text.size());
  int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), n);
  return out;
}

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  int size = static_cast<int>(text.size());
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace plat::win32
