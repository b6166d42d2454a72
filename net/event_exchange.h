#pragma once

#include "brush/my_memory.h"
#include "document/draw_document.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace vt {

class TNetSession;

// The network steps of one idle pass of a shared drawing: the connection check, the
// round-robin receive and replay of the other members' streams, the session history,
// the status line and the sending of the own stream.
//
// Bytes from another member pass a gate before they reach that member's packet: only
// whole records that a member may perform in a shared drawing get through (strokes and
// layer edits on its own block of layers; the host may also set the state of any layer,
// which it does for every join). Everything the paper would ignore in a shared drawing
// (paper and layer-structure commands, end markers) is dropped there too, so the
// session history holds exactly what was applied and replays to the same picture. A
// stream that reaches a code outside the record table has lost its framing for good;
// the rest of it is discarded.
class TEventExchange {
 public:
  TEventExchange();

  void IdlePass(TNetSession& session);
  // Forgets the streams of a previous shared drawing.
  void Reset();

  std::int32_t MemberIndex() const { return memberIndex_; }
  // Bytes of a member taken from the socket but not yet whole records.
  std::int32_t Pending(std::int32_t member) const;
  bool Broken(std::int32_t member) const { return broken_[static_cast<std::size_t>(member)]; }
  // Records of other members that the gate dropped.
  std::int32_t Dropped() const { return dropped_; }
  const std::string& Status() const { return status_; }

  // Replay interval in ms for a member limit: one event of one peer per interval.
  static std::uint32_t ReplayInterval(std::int32_t maxMembers);
  // End of the next piece of the own stream to send from `from`: whole records up to
  // 4080 bytes, or 4080 bytes of a record longer than that.
  static std::int32_t ChunkEnd(const TMyMemory& stream, std::int32_t from, std::int32_t end);
  // Whether member may perform the record (at least its first three bytes) in a shared
  // drawing with the given block size.
  static bool Admissible(std::int32_t member, std::int32_t layersPerMember, const std::uint8_t* record,
                         std::uint16_t code);

 private:
  static constexpr std::int32_t Slots = TDrawDocument::Slots;

  bool ConnectionLost(TNetSession& session);
  void ReceiveAndReplay(TNetSession& session, std::int32_t own);
  bool Advance(TNetSession& session, std::int32_t own);
  void Take(TNetSession& session, std::int32_t member);
  void Admit(TDrawDocument& document, std::int32_t member, std::int32_t layersPerMember);
  static void UpdateHistory(TDrawDocument& document, std::int32_t own);
  void UpdateStatus(TNetSession& session, std::int32_t own);
  static void SendOwnStream(TNetSession& session);

  std::int32_t memberIndex_ = 0;
  std::array<std::unique_ptr<TMyMemory>, Slots> staging_;
  std::array<bool, Slots> broken_{};
  std::int32_t dropped_ = 0;
  std::string status_;
};

}  // namespace vt
