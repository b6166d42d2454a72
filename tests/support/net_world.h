#pragma once

#include "tests/support/run_until.h"
#include "brush/event_packet.h"
#include "net/headless_artist.h"
#include "net/net_observer.h"
#include "net/net_session.h"
#include "tests/support/fake_clock.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vt {

// Remembers everything a session shows.
class TRecordingObserver : public TNetObserver {
 public:
  void ClearLog() override { LogLines.clear(); }
  void Log(const std::string& line) override { LogLines.push_back(line); }
  void MembersChanged(const std::vector<std::string>& lines) override { MemberLines = lines; }
  void StatusChanged(const std::string& caption) override { Status = caption; }
  void Inform(const std::string& text) override { Events.push_back("inform:" + text); }
  std::string AskHistoryFile() override {
    Events.push_back("ask");
    return HistoryFile;
  }
  void HistorySaveFailed(const std::string& fileName) override { Events.push_back("failed:" + fileName); }
  void NotifyLobby(std::int32_t message) override { Lobby.push_back(message); }

  bool Logged(const std::string& line) const {
    for (const auto& l : LogLines)
      if (l == line) return true;
    return false;
  }

  std::vector<std::string> LogLines;
  std::vector<std::string> MemberLines;
  std::vector<std::string> Events;
  std::vector<std::int32_t> Lobby;
  std::string Status;
  std::string HistoryFile;
};

// One copy of the program taking part: its session, what it showed, and an artist.
struct TNetMember {
  TNetMember(TNetEnvironment environment) : Session(std::move(environment), Observer) {}
  TRecordingObserver Observer;
  TNetSession Session;
  std::unique_ptr<THeadlessArtist> Artist;

  TDrawDocument* Document() { return Session.SharedDocument(); }
  std::int32_t OwnMember() { return Document() ? Document()->OwnSlot() : 0; }
};

// Sessions in one process over any transport, on a stepped clock: each round runs the
// pending notifications, one idle pass of every member, its artist, and the join timer
// of every member when 250 ms have passed.
class TNetWorld {
 public:
  using TTransportFactory = std::function<std::unique_ptr<TTransport>()>;
  using TEventPump = std::function<void()>;

  TNetWorld(TTransportFactory factory, TEventPump pumpEvents, std::uint32_t stepMs = 2)
      : factory_(std::move(factory)), pumpEvents_(std::move(pumpEvents)), stepMs_(stepMs) {}

  TNetMember& Add() {
    TNetEnvironment environment;
    environment.MakeTransport = factory_;
    environment.Clock = &Clock;
    environment.DeferDisplay = true;
    Members.push_back(std::make_unique<TNetMember>(std::move(environment)));
    return *Members.back();
  }

  TNetMember& Host(const THostParams& params) {
    TNetMember& host = Add();
    host.Session.StartHost(params);
    return host;
  }

  TNetMember& Client(std::uint16_t port, const std::string& user, const std::string& password) {
    TNetMember& client = Add();
    TClientParams params;
    params.Port = port;
    params.User = user;
    params.Password = password;
    client.Session.StartClient(params);
    return client;
  }

  void Step() {
    pumpEvents_();
    for (auto& member : Members) {
      member->Session.IdlePass();
      TDrawDocument* document = member->Document();
      if (member->Artist && document && member->Session.NetPhase() == npRunning) {
        const std::int32_t l = member->Session.LayersPerMember();
        member->Artist->Step(*document, document->OwnSlot() * l, l, Clock.NowMs());
      }
    }
    Clock.Advance(stepMs_);
    sinceTimer_ += stepMs_;
    if (sinceTimer_ >= TNetSession::kJoinTimerMs) {
      sinceTimer_ = 0;
      for (auto& member : Members) member->Session.JoinTimerStep();
    }
  }

  bool RunUntil(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    return test::RunUntil([this] { Step(); }, done, limit);
  }

  void RunRounds(int rounds) {
    for (int i = 0; i < rounds; ++i) Step();
  }

  // Host and clients all in npRunning with every join finished.
  bool Joined() {
    for (auto& member : Members) {
      if (member->Session.NetPhase() != npRunning || member->Session.JoinStep() != 0) return false;
      TMySocket* socket = member->Session.Socket();
      if (socket == nullptr || socket->JoinsPending() != 0 || socket->JoinBusy()) return false;
    }
    return true;
  }

  // Every member has sent its whole stream and every copy has applied everything it
  // received, with nothing left on the way. (A member receives another's stream only from
  // its own join on.)
  bool Drained() {
    // Nothing in flight: every byte a socket handed on has been read by its peer.
    std::int64_t sent = 0, received = 0;
    for (auto& member : Members) {
      if (TMySocket* socket = member->Session.Socket()) {
        sent += socket->BytesSent();
        received += socket->BytesReceived();
      }
    }
    if (sent != received) return false;
    for (auto& member : Members) {
      TDrawDocument* document = member->Document();
      if (document == nullptr) continue;
      if (member->Artist && !member->Artist->Done()) return false;
      if (document->OwnStream().Stream().Size() != member->Session.OwnBytesSent()) return false;
      TMySocket& socket = *member->Session.Socket();
      if (socket.SendQueueSize() != 0) return false;
      for (std::int32_t i = 0; i < TDrawDocument::Slots; ++i) {
        const auto m = static_cast<std::size_t>(i);
        const TMyMemory& stream = document->StrokeStreams[m].Stream();
        const bool own = i == document->OwnSlot();
        if (!own && (socket.DataAvailable(i) != 0 || member->Session.Exchange().Pending(i) != 0 ||
                     stream.ReadPosition() != stream.Size() || document->StrokeStreams[m].InStroke()))
          return false;
        if (document->MergedPositions[m] != (own ? stream.Size() : stream.ReadPosition())) return false;
      }
    }
    return true;
  }

  TFakeClock Clock{1000};
  std::vector<std::unique_ptr<TNetMember>> Members;

 private:
  TTransportFactory factory_;
  TEventPump pumpEvents_;
  std::uint32_t stepMs_;
  std::uint32_t sinceTimer_ = 0;
};

}  // namespace vt
