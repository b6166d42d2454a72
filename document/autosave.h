#pragma once

#include <cstdint>
#include <string>

#include "document/draw_document.h"
#include "document/file_store.h"

namespace vt {

inline constexpr std::uint32_t kAutosaveIdleMs = 5000;
inline constexpr std::int32_t kAutosaveStrokes = 50;
inline constexpr const char* kAutosaveFileName = "$$$tmp.wpb";

// Whether the update loop should autosave the active document now: no pen activity for
// more than 5 s, no modifier or tool key held, no stroke being recorded, offline, not
// replaying, and more than 50 strokes ended since the last autosave.
bool AutosaveDue(const TDrawDocument& document, std::uint32_t nowMs, bool keyHeld);

// When due, saves the paper and its history to path and remembers the stroke count.
// The count is remembered even when the write fails, so a full disk is retried after the
// next 50 strokes rather than on every pass of the loop. Returns whether a save ran and
// succeeded.
bool RunAutosave(TFileStore& store, const std::string& path, TDrawDocument& document, std::uint32_t nowMs,
                 bool keyHeld);

}  // namespace vt
