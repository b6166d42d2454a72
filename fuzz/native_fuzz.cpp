// Native layered files: the header and layer walk, the pixel decoder and the history
// parse over arbitrary bytes. Whatever loads must save and load again to the same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "document/draw_document.h"
#include "document/native_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vt::TDrawDocument doc;
  const vt::TLoadOutcome outcome =
      vt::DecodeNative(std::span(data, size), doc.Paper, doc.StrokeStreams[0], "fuzz");
  if (outcome != vt::TLoadOutcome::Ok && outcome != vt::TLoadOutcome::BrokenHistory) {
    if (doc.Paper.Ready) __builtin_trap();  // a refused file must leave the paper alone
    return 0;
  }
  doc.Paper.RecompositeAll();
  std::vector<std::uint8_t> saved, again;
  if (!vt::EncodeNative(doc.Paper, doc.StrokeStreams[0], saved)) __builtin_trap();
  vt::TDrawDocument back;
  if (vt::DecodeNative(saved, back.Paper, back.StrokeStreams[0], "fuzz") != vt::TLoadOutcome::Ok)
    __builtin_trap();
  if (!vt::EncodeNative(back.Paper, back.StrokeStreams[0], again)) __builtin_trap();
  // The layers come back exactly; only the history has grown by the UndoClearAll of a load.
  vt::TNativeLayout a, b;
  if (!vt::ParseNativeLayout(saved, a) || !vt::ParseNativeLayout(again, b)) __builtin_trap();
  if (!std::equal(saved.begin() + 32, saved.begin() + static_cast<std::ptrdiff_t>(a.historyOffset),
                  again.begin() + 32, again.begin() + static_cast<std::ptrdiff_t>(b.historyOffset)))
    __builtin_trap();
  return 0;
}
