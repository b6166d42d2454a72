// Event files as the import reads them, then replayed whole onto a real paper without a
// display: every record and stroke point applied, the composite rebuilt at the end.
#include <cstddef>
#include <cstdint>

#include "document/draw_document.h"
#include "document/replay_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vt::TDrawDocument doc;
  if (!vt::ReplayHeadless(doc, data, size, 1.0f)) {
    if (doc.Paper.Ready || doc.StrokeStreams[0].Stream().Size() != 0) __builtin_trap();
    return 0;
  }
  // The history after the replay is exactly the replayed records, ready to record more.
  if (doc.StrokeStreams[0].Stream().Remaining() != 0) __builtin_trap();
  return 0;
}
