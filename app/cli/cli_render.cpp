#include <charconv>
#include <cmath>
#include <cstdlib>
#include <ostream>

#include "app/cli/cli.h"
#include "app/cli/cli_commands.h"
#include "app/cli/cli_input.h"
#include "app/cli/cli_io.h"
#include "raster/bmp_codec.h"
#include "raster/jpeg_codec.h"

namespace vt {

namespace {

// Replays cannot go beyond this factor: coordinates and sizes must stay in range after
// scaling, and the paper is limited anyway.
constexpr double kMaxScale = 16.0;

bool ParseScale(const std::string& text, float& scale) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(v) || v <= 0.0 || v > kMaxScale) return false;
  scale = static_cast<float>(v);
  return true;
}

bool ParseQuality(const std::string& text, std::uint8_t& quality) {
  int v = 0;
  const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || p != text.data() + text.size() || v < 1 || v > 100) return false;
  quality = static_cast<std::uint8_t>(v);
  return true;
}

enum class TOutput { Unknown, Bmp, Jpeg, Png };

TOutput OutputOf(const std::string& path) {
  const TImageFormat f = ImageFormatOf(path);
  if (f == TImageFormat::Bmp) return TOutput::Bmp;
  if (f == TImageFormat::Jpeg) return TOutput::Jpeg;
  const std::size_t dot = path.rfind('.');
  if (dot != std::string::npos) {
    std::string ext = path.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".png") return TOutput::Png;
  }
  return TOutput::Unknown;
}

int Usage(std::ostream& err, const std::string& reason) {
  err << "vellumtide-cli render: " << reason << "\n";
  PrintUsage(err);
  return kExitUsage;
}

bool Encode(const TPX& composite, TOutput kind, std::uint8_t quality, std::vector<std::uint8_t>& bytes) {
  switch (kind) {
    case TOutput::Bmp:
      bytes = EncodeBMP(composite);
      return true;
    case TOutput::Jpeg:
      return EncodeJPEG(composite, quality, bytes);
    case TOutput::Png:
      return EncodePNG(composite, bytes);
    case TOutput::Unknown:
      break;
  }
  return false;
}

}  // namespace

int RunRender(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;
  std::string reason;
  if (!SplitArgs(args, {"--scale", "--quality"}, {}, positional, options, reason)) return Usage(err, reason);
  if (positional.size() != 2) return Usage(err, "expects INPUT and OUTPUT");
  const std::string& input = positional[0];
  const std::string& output = positional[1];
  float scale = 1.0f;
  std::uint8_t quality = 80;
  if (options.count("--scale") && !ParseScale(options["--scale"], scale))
    return Usage(err, "--scale wants a number above 0 and at most 16");
  if (options.count("--quality") && !ParseQuality(options["--quality"], quality))
    return Usage(err, "--quality wants a whole number from 1 to 100");
  const TOutput kind = OutputOf(output);
  if (kind == TOutput::Unknown) return Usage(err, "OUTPUT must end in .bmp, .jpg, .jpeg or .png");
  if (options.count("--scale") && ImageFormatOf(input) == TImageFormat::Native)
    return Usage(err, "--scale applies to event files only");

  TCliInput in;
  if (!LoadCliInput(input, scale, in, reason)) {
    err << "vellumtide-cli: " << input << ": " << reason << "\n";
    return kExitFailed;
  }
  std::vector<std::uint8_t> bytes;
  if (!Encode(in.document->Paper.Composite, kind, quality, bytes)) {
    err << "vellumtide-cli: cannot encode " << output << "\n";
    return kExitFailed;
  }
  if (!CliFileStore().WriteDurably(output, bytes)) {
    err << "vellumtide-cli: cannot write " << output << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace vt
