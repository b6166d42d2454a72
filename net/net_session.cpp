#include "net/net_session.h"

#include "brush/event_kind.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace vt {

namespace {

constexpr std::int32_t kLobbyHostEnded = 0x602;
constexpr std::int32_t kLobbyFull = 0x603;
constexpr std::int32_t kLobbyLeft = 0x604;
// Host: a newcomer that has not said hello this long after its accept is given up, as
// the socket gives up its join lock then.
constexpr std::uint32_t kHelloWaitMs = TMySocket::kJoinBusyMs;

// At most n bytes, cut before a UTF-8 continuation byte so that no character is split.
std::string Truncated(const std::string& text, std::size_t n) {
  if (text.size() <= n) return text;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

// Names and chat lines come from other members: control characters (line breaks above
// all, which would forge log lines) are shown as spaces.
std::string Printable(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return text;
}

// Concatenation of parts (one append each, without temporaries).
std::string Text(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts) text.append(part);
  return text;
}

void StoreInt(std::uint8_t* p, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

std::int32_t LoadInt(const std::uint8_t* p) {
  return static_cast<std::int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24));
}

}  // namespace

TNetSession::TNetSession(TNetEnvironment environment, TNetObserver& observer)
    : environment_(std::move(environment)), observer_(observer), clock_(*environment_.Clock) {}

TNetSession::~TNetSession() {
  // The observer may already be gone with its owner: tear down without telling it.
  socket_.reset();
  document_.reset();
}

// ---- Starting ----

bool TNetSession::OpenSocket() {
  socket_ = std::make_unique<TMySocket>(environment_.MakeTransport(), clock_);
  return true;
}

bool TNetSession::StartHost(const THostParams& params) {
  if (socket_ || document_) return false;
  observer_.ClearLog();
  Log("<サーバ待機>");
  std::string name, address;
  if (environment_.LocalHost && environment_.LocalHost(name, address)) {
    Log("HOST: " + name);
    Log("IP: " + address);
  }
  ownBytesSent_ = 0;
  joinStep_ = 0;
  netPhase_ = npRunning;
  isHost_ = true;
  OpenSocket();
  if (!socket_->Standby(params.Port, Truncated(params.User, kTextBytes),
                        Truncated(params.Password, kTextBytes))) {
    Log("<接続出来ません>");
    EndSession();
    return false;
  }
  socket_->SetOnChat([this] { ShowChat(); });
  socket_->SetOnChange([this] { ShowMembers(); });
  width_ = std::clamp(params.Width, 1, kMaxSide);
  height_ = std::clamp(params.Height, 1, kMaxSide);
  maxMembers_ = std::clamp(params.MaxMembers, 2, TDrawDocument::Slots);
  layersPerMember_ = std::clamp(params.LayersPerMember, 1, 4);
  BuildSharedPaper(0);
  observer_.SharedPaperOpened(*document_);
  timerActive_ = true;
  observer_.ControlsLocked(true);
  ShowMembers();
  return true;
}

bool TNetSession::StartClient(const TClientParams& params) {
  if (socket_ || document_) return false;
  ownBytesSent_ = 0;
  joinStep_ = 0;
  netPhase_ = npJoining;
  isHost_ = false;
  OpenSocket();
  socket_->Connect(params.Address, params.Port, Truncated(params.User, kTextBytes),
                   Truncated(params.Password, kTextBytes));
  socket_->SetOnChat([this] { ShowChat(); });
  socket_->SetOnChange([this] { ShowMembers(); });
  timerActive_ = true;
  observer_.ControlsLocked(true);
  observer_.ClearLog();
  Log(Text({"<サーバに接続 (", params.Address, ") >"}));
  return true;
}

// The paper of the session: the same size and the same layers on every copy, and the
// session history starts with the records that build it.
void TNetSession::BuildSharedPaper(std::int32_t ownMember) {
  exchange_.Reset();
  document_ = std::make_unique<TDrawDocument>();
  TDrawDocument& document = *document_;
  TPaper& paper = document.Paper;
  paper.SetDeferDisplay(environment_.DeferDisplay);
  paper.Init("NONAME", width_, height_);
  paper.LayerManager->Flow.SetSlotCount(TDrawDocument::Slots);
  document.MergedStream.RecordPaperNew(width_, height_);
  while (paper.LayerManager->TopIndex + 1 < layersPerMember_ * maxMembers_) {
    paper.LayerManager->AddLayer(0);
    document.MergedStream.RecordLayerNew(0);
  }
  paper.ParticipantIndex = ownMember;
  paper.ParticipantCount = maxMembers_;
  paper.LayerManager->SetActive(ownMember * layersPerMember_);
  document.MergedPositions = {};
  paper.NetMode = 1;
  document.LastReplayStep = clock_.NowMs();
}

// ---- Members and chat ----

void TNetSession::ShowMembers() {
  members_.clear();
  if (socket_) {
    for (std::int32_t i = TMySocket::kSlotCount - 1; i >= 0; --i) {
      if (!socket_->IsActive(i)) continue;
      const std::string name = Printable(socket_->GetName(i));
      members_.push_back(i == 0 ? Text({"@", name}) : name);
    }
  }
  observer_.MembersChanged(members_);
}

void TNetSession::ShowChat() {
  for (std::int32_t i = 0; i < TMySocket::kSlotCount; ++i) {
    if (!socket_->IsActive(i)) continue;
    const std::string line = socket_->TakeChat(i);
    if (!line.empty()) Log(Text({"[", Printable(socket_->GetName(i)), "] ", Printable(line)}));
  }
}

void TNetSession::SendChatLine(const std::string& text) {
  if (text.empty() || !socket_ || !socket_->Established()) return;
  const std::string line = Truncated(text, kChatBytes);
  socket_->SendChat(line);
  Log(Text({"[", socket_->UserName(), "] ", Printable(line)}));
}

// ---- The join, every 250 ms ----

void TNetSession::JoinTimerStep() {
  if (!timerActive_ || !socket_) return;
  if (isHost_) {
    HostTimerStep();
  } else {
    ClientTimerStep();
  }
}

void TNetSession::HostTimerStep() {
  TMySocket& socket = *socket_;
  if (socket.JoinsPending() != 0) {
    netPhase_ = npJoining;
    joinStep_ = 0;
    joinSlot_ = socket.LastJoinedSlot();
    joinStart_ = clock_.NowMs();
    socket.AckJoin();
    if (socket.MemberCount() >= maxMembers_ - 1) observer_.NotifyLobby(kLobbyFull);
  }
  if (socket.LeavesPending() != 0) {
    Log(Text({"<", Printable(socket.GetName(socket.LastLeftSlot())), " が退室 : 現在",
              std::to_string(socket.MemberCount()), "人>"}));
    socket.AckLeave();
    observer_.NotifyLobby(kLobbyLeft);
  }
  if (netPhase_ == npJoining) {
    HostJoinStep();
    if (socket_) socket_->Pump();
  }
}

void TNetSession::HostJoinStep() {
  TMySocket& socket = *socket_;
  // A newcomer that left, or never said hello, is given up and the host goes on.
  if (!socket.IsActive(joinSlot_) ||
      (joinStep_ < 2 && !socket.HasGreeted(joinSlot_) && clock_.NowMs() - joinStart_ > kHelloWaitMs)) {
    AbandonJoin();
    return;
  }
  switch (joinStep_) {
    case 0:
      // Its own hello, so that the password test sees what this newcomer presented.
      if (socket.HasGreeted(joinSlot_)) joinStep_ = 1;
      break;
    case 1:
      HostJoinReply();
      break;
    default:
      Log(Text({Printable(socket.GetName(joinSlot_)), "(", socket.GetAddress(joinSlot_), ")", " が入場。現在",
                std::to_string(socket.MemberCount()), "人。"}));
      Log("");
      socket.SetJoinBusy(false);
      joinStep_ = 0;
      netPhase_ = npRunning;
      break;
  }
}

void TNetSession::HostJoinReply() {
  TMySocket& socket = *socket_;
  std::int32_t status = 0;
  if (socket.MemberCount() > maxMembers_) status = kStatusFull;
  // The password test comes second and wins.
  if (socket.GetPassword(joinSlot_) != socket.Password()) status = kStatusWrongPassword;
  for (std::int32_t value : {kProtocol, status, width_, height_, maxMembers_, layersPerMember_}) {
    std::uint8_t bytes[4];
    StoreInt(bytes, value);
    socket.SendData(joinSlot_, bytes, 4);
  }
  socket.SendMemberList();
  if (status != 0) {
    // The newcomer ends its own session; the host goes on drawing at once.
    AbandonJoin();
    return;
  }
  // The state of every layer outside the newcomer's block, so that its copy matches.
  TDrawDocument& document = *document_;
  const TLayerMng& layers = *document.Paper.LayerManager;
  TEventPacket& own = document.StrokeStreams[0];
  for (std::int32_t i = 0; i < maxMembers_ * layersPerMember_ && layers.InRange(i); ++i) {
    if (i / layersPerMember_ == joinSlot_) continue;
    const TLayer& layer = layers.LayerAt(i);
    const auto index = static_cast<std::uint8_t>(i);
    own.RecordLayerVisible(index, layer.Visible);
    own.RecordLayerOpacity(index, layer.Opacity);
    own.RecordLayerType(index, static_cast<std::uint8_t>(layer.Mode));
  }
  joinStep_ = 2;
}

void TNetSession::AbandonJoin() {
  socket_->SetJoinBusy(false);
  joinStep_ = 0;
  netPhase_ = npRunning;
}

void TNetSession::ClientTimerStep() {
  const TSocketState state = socket_->State();
  // A connection that closes or fails before the join is complete ends the session; a
  // running drawing notices the loss in its next idle pass.
  if (state == ssFailed || (state == ssClosed && netPhase_ == npJoining)) {
    Log("<接続出来ません>");
    EndSession();
    return;
  }
  if (state == ssClosed || netPhase_ != npJoining) return;
  socket_->Pump();
  switch (joinStep_) {
    case 0:
      if (socket_->Established()) {
        Log("<サーバ認識>");
        joinStep_ = 1;
      }
      break;
    case 1:
      if (socket_->DataAvailable(0) >= kJoinReplyBytes && ReadJoinReply()) joinStep_ = 2;
      break;
    default:
      BuildSharedPaper(socket_->OwnId());
      joinStep_ = 0;
      ownBytesSent_ = 0;
      netPhase_ = npRunning;
      ResetOwnLayers();
      observer_.SharedPaperOpened(*document_);
      Log("<接続完了>");
      Log("");
      break;
  }
}

// False when the session ended: a refusal, another protocol, or values this program
// cannot take (a paper size or member block it would not create itself, or a slot
// outside the session's members).
bool TNetSession::ReadJoinReply() {
  std::uint8_t reply[kJoinReplyBytes];
  socket_->ReadData(0, reply, kJoinReplyBytes);
  const std::int32_t protocol = LoadInt(reply), status = LoadInt(reply + 4);
  const std::int32_t width = LoadInt(reply + 8), height = LoadInt(reply + 12);
  const std::int32_t members = LoadInt(reply + 16), layers = LoadInt(reply + 20);
  const bool sane = width >= 1 && width <= kMaxSide && height >= 1 && height <= kMaxSide && members >= 2 &&
                    members <= TDrawDocument::Slots && layers >= 1 && layers <= 4 &&
                    socket_->OwnId() < members;
  bool refused = true;
  if (protocol != kProtocol || (status == 0 && !sane)) {
    Log("<異バージョンの為 切断>");
  } else if (status == kStatusFull) {
    Log("<満席の為 切断>");
  } else if (status == kStatusWrongPassword) {
    Log("<パスワード認証失敗 切断>");
  } else if (status != 0) {
    Log("<異バージョンの為 切断>");
  } else {
    refused = false;
  }
  if (refused) {
    EndSession();
    return false;
  }
  width_ = width;
  height_ = height;
  maxMembers_ = members;
  layersPerMember_ = layers;
  Log("<キャンバス情報取得>");
  Log(Text({"<レイヤ枚数: ", std::to_string(layersPerMember_), "[枚/人]>"}));
  return true;
}

// Clears the own block of layers and records it, so that every other copy clears them
// too. The mode comes first: a layer left in another mode by a former member may have a
// cached working copy on the neutral colour of that mode, and the clear that follows
// makes the working copy equal to the layer again.
void TNetSession::ResetOwnLayers() {
  TDrawDocument& document = *document_;
  TEventPacket& own = document.OwnStream();
  TStroke& engine = document.StrokeEngines[static_cast<std::size_t>(document.OwnSlot())];
  auto command = [&](TEventKind kind, std::int32_t layer, std::uint8_t value) {
    TEventArgs args;
    args.layer = static_cast<std::uint8_t>(layer);
    args.value = value;
    document.Paper.Command(own, engine, kind, args);
  };
  for (std::int32_t j = 0; j < layersPerMember_; ++j) {
    const std::int32_t layer = socket_->OwnId() * layersPerMember_ + j;
    command(TEventKind::LayerType, layer, 0);
    command(TEventKind::SelectionClear, layer, 0);
    command(TEventKind::UndoClearLayer, layer, 0);
    command(TEventKind::LayerVisible, layer, 1);
    command(TEventKind::LayerOpacity, layer, 255);
  }
}

// ---- Ending ----

void TNetSession::EndSession() {
  members_.clear();
  observer_.MembersChanged(members_);
  socket_.reset();
  netPhase_ = npNone;
  joinStep_ = 0;
  timerActive_ = false;
  observer_.ControlsLocked(false);
}

void TNetSession::CloseSharedDrawing() {
  if (!document_) {
    EndSession();
    return;
  }
  TDrawDocument& document = *document_;
  if (document.Paper.NetMode == 1 || netPhase_ == npLost) {
    if (netPhase_ == npLost) observer_.Inform("サーバが落ちたので切断します。");
    if (isHost_) {
      Log("<サーバ切断>");
      observer_.NotifyLobby(kLobbyHostEnded);
    }
    const std::string fileName = observer_.AskHistoryFile();
    if (!fileName.empty()) {
      document.MergedStream.WriteEnd();
      if (document.MergedStream.ExportEventFile(fileName)) {
        observer_.Inform("イベントデータを保存しました。");
      } else {
        observer_.HistorySaveFailed(fileName);
      }
    }
    EndSession();
  }
  document.Paper.NetMode = 0;
  observer_.SharedPaperClosing(document);
  document_.reset();
}

}  // namespace vt
