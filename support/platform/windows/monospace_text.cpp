#include "support/platform/monospace_text.h"

#include <windows.h>

#include <cstring>

#include "support/platform/windows/wide.h"

namespace talvero::platform {

struct MonospaceText::Impl {
  HDC Dc = nullptr;
  HFONT Font = nullptr;
  HGDIOBJ OldFont = nullptr;
  ~Impl() {
    if (OldFont) SelectObject(Dc, OldFont);
    if (Font) DeleteObject(Font);
    if (Dc) DeleteDC(Dc);
  }
};

MonospaceText::MonospaceText() {
  auto impl = std::make_unique<Impl>();
  impl->Dc = CreateCompatibleDC(nullptr);
  if (!impl->Dc) return;
  // "FixedSys", size 12 (points), unsmoothed.
  LOGFONTW font{};
  font.lfHeight = -MulDiv(12, GetDeviceCaps(impl->Dc, LOGPIXELSY), 72);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = NONANTIALIASED_QUALITY;
  font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  wcscpy(font.lfFaceName, L"FixedSys");
  impl->Font = CreateFontIndirectW(&font);
  if (!impl->Font) return;
  impl->OldFont = SelectObject(impl->Dc, impl->Font);
  FImpl = std::move(impl);
}

MonospaceText::~MonospaceText() = default;

int32_t MonospaceText::Width(std::string_view text) const {
  if (!FImpl || text.empty()) return 0;
  const std::wstring wide = Widen(text);
  SIZE size{};
  if (!GetTextExtentPoint32W(FImpl->Dc, wide.data(), static_cast<int>(wide.size()), &size))
    return 0;
  return size.cx;
}

void MonospaceText::Render(std::string_view text,
                           const std::function<void(int32_t, int32_t)>& plot) const {
  if (!FImpl || text.empty()) return;
  const std::wstring wide = Widen(text);
  SIZE size{};
  if (!GetTextExtentPoint32W(FImpl->Dc, wide.data(), static_cast<int>(wide.size()), &size) ||
      size.cx <= 0 || size.cy <= 0)
    return;
  // White text on black in a top-down 32-bit section; every lit pixel is the text's.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(FImpl->Dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!section || !bits) return;
  std::memset(bits, 0, static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy) * 4);
  HGDIOBJ old = SelectObject(FImpl->Dc, section);
  SetBkMode(FImpl->Dc, TRANSPARENT);
  SetTextColor(FImpl->Dc, RGB(255, 255, 255));
  SetTextAlign(FImpl->Dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  TextOutW(FImpl->Dc, 0, 0, wide.data(), static_cast<int>(wide.size()));
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  for (int32_t y = 0; y < size.cy; ++y)
    for (int32_t x = 0; x < size.cx; ++x)
      if (pixels[static_cast<size_t>(y) * size.cx + x] & 0xFFFFFF) plot(x, y);
  SelectObject(FImpl->Dc, old);
  DeleteObject(section);
}

}  // namespace talvero::platform
