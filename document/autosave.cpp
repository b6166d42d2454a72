#include "document/autosave.h"

#include "document/native_file.h"

namespace vt {

bool AutosaveDue(const TDrawDocument& document, std::uint32_t nowMs, bool keyHeld) {
  return document.Paper.Ready && nowMs - document.LastActivity > kAutosaveIdleMs && !keyHeld &&
         !document.StrokeStreams[0].InStroke() && document.Paper.NetMode == 0 && !document.Playing &&
         document.StrokeCounter - document.AutosaveMark > kAutosaveStrokes;
}

bool RunAutosave(TFileStore& store, const std::string& path, TDrawDocument& document, std::uint32_t nowMs,
                 bool keyHeld) {
  if (!AutosaveDue(document, nowMs, keyHeld)) return false;
  document.AutosaveMark = document.StrokeCounter;
  return SaveToFile(store, path, document.Paper, document.StrokeStreams[0]);
}

}  // namespace vt
