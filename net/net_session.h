#pragma once

#include "brush/ms_clock.h"
#include "document/draw_document.h"
#include "net/event_exchange.h"
#include "net/my_socket.h"
#include "net/net_observer.h"
#include "net/transport.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vt {

enum TNetPhase : std::uint8_t { npNone = 0, npJoining = 1, npRunning = 2, npLost = 3 };

struct THostParams {
  std::uint16_t Port = 9001;
  std::string User = "HOST";
  std::string Password;
  std::int32_t Width = 600;
  std::int32_t Height = 600;
  std::int32_t MaxMembers = 3;
  std::int32_t LayersPerMember = 2;
};

struct TClientParams {
  std::string Address = "127.0.0.1";
  std::uint16_t Port = 9001;
  std::string User = "GUEST";
  std::string Password;
};

// What a session needs from the platform.
struct TNetEnvironment {
  std::function<std::unique_ptr<TTransport>()> MakeTransport;
  TMsClock* Clock = nullptr;
  // The local host name and its first IPv4 address; false when unknown.
  std::function<bool(std::string& name, std::string& address)> LocalHost;
  // Headless members keep layers exact but skip the display composite.
  bool DeferDisplay = false;
};

// One copy's shared drawing: the session state, the join procedure on both sides, chat
// and the member list, and the shared document with its exchange of event streams.
//
// The caller drives it: JoinTimerStep every 250 ms while TimerActive, IdlePass
// continuously while SharedDocument exists. Log lines and captions go to the observer.
class TNetSession {
 public:
  static constexpr std::int32_t kProtocol = 10007;
  static constexpr std::uint32_t kJoinTimerMs = 250;
  // Six int32: protocol, status, width, height, member limit, layers per member.
  static constexpr std::int32_t kJoinReplyBytes = 24;
  static constexpr std::int32_t kStatusFull = -1;
  static constexpr std::int32_t kStatusWrongPassword = -2;
  static constexpr std::int32_t kMaxSide = 3000;
  static constexpr std::int32_t kTextBytes = 14;
  static constexpr std::int32_t kChatBytes = 200;

  TNetSession(TNetEnvironment environment, TNetObserver& observer);
  ~TNetSession();
  TNetSession(const TNetSession&) = delete;
  TNetSession& operator=(const TNetSession&) = delete;

  // False (after logging why) when a session already runs or the port cannot be opened.
  bool StartHost(const THostParams& params);
  bool StartClient(const TClientParams& params);
  void JoinTimerStep();
  void IdlePass() { exchange_.IdlePass(*this); }
  // A chat entry's Return: an empty line or a session that is not established sends nothing.
  void SendChatLine(const std::string& text);
  void EndSession();
  // The shared document window closes: the host-lost notice, the save offer, the end of
  // the session, then the document is freed.
  void CloseSharedDrawing();

  bool IsHost() const { return isHost_; }
  TNetPhase NetPhase() const { return netPhase_; }
  std::int32_t JoinStep() const { return joinStep_; }
  std::int32_t OwnBytesSent() const { return ownBytesSent_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  std::int32_t MaxMembers() const { return maxMembers_; }
  std::int32_t LayersPerMember() const { return layersPerMember_; }
  bool TimerActive() const { return timerActive_; }
  TMySocket* Socket() { return socket_.get(); }
  TDrawDocument* SharedDocument() { return document_.get(); }
  const TEventExchange& Exchange() const { return exchange_; }
  // The member list as last shown.
  const std::vector<std::string>& Members() const { return members_; }

 private:
  friend class TEventExchange;

  void Log(const std::string& line) { observer_.Log(line); }
  bool OpenSocket();
  void ShowMembers();
  void ShowChat();
  void HostTimerStep();
  void HostJoinStep();
  void HostJoinReply();
  void AbandonJoin();
  void ClientTimerStep();
  bool ReadJoinReply();
  void BuildSharedPaper(std::int32_t ownMember);
  void ResetOwnLayers();

  TNetEnvironment environment_;
  TNetObserver& observer_;
  TMsClock& clock_;
  TEventExchange exchange_;
  std::unique_ptr<TMySocket> socket_;
  std::unique_ptr<TDrawDocument> document_;
  bool isHost_ = false;
  TNetPhase netPhase_ = npNone;
  std::int32_t joinStep_ = 0;
  std::int32_t ownBytesSent_ = 0;
  std::int32_t width_ = 600;
  std::int32_t height_ = 600;
  std::int32_t maxMembers_ = 3;
  std::int32_t layersPerMember_ = 2;
  bool timerActive_ = false;
  // Host: the newcomer being joined and when its join began.
  std::int32_t joinSlot_ = 0;
  std::uint32_t joinStart_ = 0;
  std::vector<std::string> members_;
};

}  // namespace vt
