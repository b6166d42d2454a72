#include "document/image_file.h"

#include <algorithm>
#include <cctype>

#include "raster/bmp_codec.h"
#include "raster/jpeg_codec.h"

namespace vt {

TImageFormat ImageFormatOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return TImageFormat::Unknown;
  std::string ext = path.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::toupper(c); });
  if (ext == ".WPB") return TImageFormat::Native;
  if (ext == ".BMP") return TImageFormat::Bmp;
  if (ext == ".JPG" || ext == ".JPEG") return TImageFormat::Jpeg;
  if (ext == ".WPE") return TImageFormat::EventFile;
  return TImageFormat::Unknown;
}

namespace {

bool DecodePicture(std::span<const std::uint8_t> bytes, TImageFormat format, TPX& picture) {
  if (format == TImageFormat::Bmp) return LoadBMPFromMemory(picture, bytes.data(), bytes.size());
  if (format == TImageFormat::Jpeg) return LoadJPEGFromMemory(picture, bytes.data(), bytes.size());
  return false;
}

}  // namespace

bool ImportImage(TDrawDocument& document, std::span<const std::uint8_t> bytes, TImageFormat format,
                 const std::string& name) {
  TPX picture;
  if (!DecodePicture(bytes, format, picture)) return false;
  const std::int32_t w = std::min(picture.Width, TPaper::MaxSide);
  const std::int32_t h = std::min(picture.Height, TPaper::MaxSide);
  TPaper& paper = document.Paper;
  paper.Init(name, w, h);
  TEventPacket& history = document.StrokeStreams[0];
  history.ResetPacket();
  history.RecordPaperNew(w, h);
  history.Stream().SkipRead(history.Stream().Remaining());
  paper.SetExportBlocked(true);
  TPX layer;
  layer.SetSize(w, h);
  picture.CopyRect(layer, ClipRect{w, h, 0, 0, 0, 0});
  paper.LayerManager->LoadLayerFromImage(0, layer);
  paper.LayerManager->Flow.Reset();
  paper.LayerManager->SetActive(0);
  paper.RecompositeAll();
  return true;
}

bool ImportImageFile(TFileStore& store, TDrawDocument& document, const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (!store.ReadAll(path, kMaxImageFileBytes, bytes)) return false;
  return ImportImage(document, bytes, ImageFormatOf(path), path);
}

bool EncodeComposite(const TPaper& paper, TImageFormat format, std::uint8_t quality,
                     std::vector<std::uint8_t>& out) {
  if (format == TImageFormat::Bmp) {
    out = EncodeBMP(paper.Composite);
    return true;
  }
  if (format == TImageFormat::Jpeg) return EncodeJPEG(paper.Composite, quality, out);
  return false;
}

bool SaveComposite(TFileStore& store, const std::string& path, const TPaper& paper, TImageFormat format,
                   std::uint8_t quality) {
  std::vector<std::uint8_t> bytes;
  if (!EncodeComposite(paper, format, quality, bytes)) return false;
  return store.WriteDurably(path, bytes);
}

}  // namespace vt
