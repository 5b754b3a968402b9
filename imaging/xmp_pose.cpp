#include "imaging/xmp_pose.h"

#include <cmath>

#include "imaging/image_codecs.h"
#include "support/number_format.h"

namespace talvero {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The value of the first usable occurrence of the property `name` (after a namespace prefix).
std::optional<double> PropertyValue(std::string_view xmp, std::string_view name, double limit) {
  for (size_t at = xmp.find(name); at != std::string_view::npos; at = xmp.find(name, at + 1)) {
    if (at == 0 || xmp[at - 1] != ':') continue;
    size_t i = at + name.size();
    while (i < xmp.size() && IsSpace(xmp[i])) ++i;
    if (i >= xmp.size()) break;
    std::string_view text;
    if (xmp[i] == '=') {
      // Attribute form.
      ++i;
      while (i < xmp.size() && IsSpace(xmp[i])) ++i;
      if (i >= xmp.size() || (xmp[i] != '"' && xmp[i] != '\'')) continue;
      const size_t end = xmp.find(xmp[i], i + 1);
      if (end == std::string_view::npos) break;
      text = xmp.substr(i + 1, end - i - 1);
    } else if (xmp[i] == '>') {
      // Element form (a closing tag is followed by no number).
      const size_t end = xmp.find('<', i + 1);
      if (end == std::string_view::npos) break;
      text = xmp.substr(i + 1, end - i - 1);
    } else {
      continue;
    }
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    const auto value = ParseFloat(std::string(text));
    if (!value || !std::isfinite(static_cast<double>(*value))) continue;
    const double degrees = static_cast<double>(*value);
    if (std::fabs(degrees) > limit) continue;
    return degrees;
  }
  return std::nullopt;
}

}  // namespace

std::optional<CameraPose> PoseFromXmp(std::string_view xmp) {
  const auto pitch = PropertyValue(xmp, "PosePitchDegrees", 90);
  const auto roll = PropertyValue(xmp, "PoseRollDegrees", 180);
  if (!pitch && !roll) return std::nullopt;
  return CameraPose{pitch.value_or(0), roll.value_or(0)};
}

std::optional<CameraPose> ReadCameraPose(const std::string& path) {
  const std::string xmp = ReadXmpPacket(path);
  if (xmp.empty()) return std::nullopt;
  return PoseFromXmp(xmp);
}

}  // namespace talvero
