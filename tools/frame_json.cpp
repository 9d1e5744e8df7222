#include "frame_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace keblor::tool {

namespace {

void AppendQuoted(std::string& out, const std::string& text) {
  out += '"';
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  out += '"';
}

void AppendHex(std::string& out, const TraceRaster& raster) {
  static constexpr char DIGITS[] = "0123456789abcdef";
  for (const std::uint8_t byte : raster) {
    out += DIGITS[byte >> 4];
    out += DIGITS[byte & 0x0F];
  }
}

void AppendVfo(std::string& out, const VfoFrame& vfo) {
  out += "{\"row\":[";
  for (std::size_t i = 0; i < vfo.row->size(); ++i) {
    if (i != 0) out += ',';
    out += std::to_string((*vfo.row)[i]);
  }
  out += "],\"peak\":";
  out += FormatReal(vfo.peak);
  if (vfo.level != nullptr) {
    out += ",\"level\":";
    AppendQuoted(out, *vfo.level);
  }
  if (vfo.pitchHz != nullptr) {
    // Hundredths of a hertz; null when no tone stood clearly above the noise.
    char pitch[32];
    if (*vfo.pitchHz > 0.0)
      std::snprintf(pitch, sizeof pitch, "%.2f", *vfo.pitchHz);
    else
      std::snprintf(pitch, sizeof pitch, "null");
    out += ",\"pitch\":";
    out += pitch;
  }
  if (vfo.raster != nullptr) {
    out += ",\"raster\":\"";
    AppendHex(out, *vfo.raster);
    out += '"';
  }
  out += '}';
}

}  // namespace

std::string FormatReal(float value) {
  // JSON has no infinities or NaN; a peak is never one, but the line must stay valid.
  if (!std::isfinite(value)) return "null";
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  std::string s(text, result.ptr);
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

void AppendFrameJson(std::string& out, long frame, long blocks, const VfoFrame& vfoA, const VfoFrame* vfoB) {
  out += "{\"frame\":";
  out += std::to_string(frame);
  out += ",\"blocks\":";
  out += std::to_string(blocks);
  out += ",\"vfoA\":";
  AppendVfo(out, vfoA);
  if (vfoB != nullptr) {
    out += ",\"vfoB\":";
    AppendVfo(out, *vfoB);
  }
  out += "}\n";
}

}  // namespace keblor::tool
