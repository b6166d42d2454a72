#pragma once

#include "tests/support/run_until.h"
#include "brush/ms_clock.h"
#include "net/my_socket.h"
#include "net/transport.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vt {

// A host and several clients in one process, over any transport: the caller supplies
// how to make a transport and how to run pending notifications once (the in-memory
// network's Deliver, or one pass of a Qt event loop). Clients connect to 127.0.0.1 only.
// Every wait is bounded by a wall-clock limit.
class TSessionHarness {
 public:
  using TTransportFactory = std::function<std::unique_ptr<TTransport>()>;
  using TEventPump = std::function<void()>;

  TSessionHarness(TTransportFactory factory, TEventPump pumpEvents, TMsClock& clock)
      : factory_(std::move(factory)), pumpEvents_(std::move(pumpEvents)), clock_(clock) {}

  TMySocket& Host() { return *host_; }
  TMySocket& Client(std::size_t i) { return *clients_[i]; }
  std::size_t ClientCount() const { return clients_.size(); }

  bool StartHost(const std::string& user = "HOST", const std::string& password = "") {
    host_ = std::make_unique<TMySocket>(factory_(), clock_);
    return host_->Standby(0, user, password);
  }

  // Starts a client connecting to the host; it joins as the harness runs.
  TMySocket& AddClient(const std::string& user, const std::string& password = "") {
    clients_.push_back(std::make_unique<TMySocket>(factory_(), clock_));
    clients_.back()->Connect("127.0.0.1", host_->ListenPort(), user, password);
    return *clients_.back();
  }

  // Adds a client and runs until the host knows its name, then releases the host's join
  // lock as a completed join does; false on time-out.
  bool Join(const std::string& user, const std::string& password = "") {
    TMySocket& client = AddClient(user, password);
    const bool joined = RunUntil([&] { return Joined(client, user); });
    if (joined) host_->SetJoinBusy(false);
    return joined;
  }

  bool Joined(TMySocket& client, const std::string& user) {
    const std::int32_t id = client.OwnId();
    return client.Established() && id > 0 && host_->GetName(id) == user && client.GetName(id) == user;
  }

  // One round: pending notifications, then one Pump of every socket.
  void Step() {
    pumpEvents_();
    if (host_) host_->Pump();
    for (auto& client : clients_) client->Pump();
  }

  bool RunUntil(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    return test::RunUntil([this] { Step(); }, done, limit);
  }

  // Runs for a number of rounds regardless (to show that something does not happen).
  void RunRounds(int rounds) {
    for (int i = 0; i < rounds; ++i) Step();
  }

  void RemoveClient(std::size_t i) { clients_.erase(clients_.begin() + static_cast<std::ptrdiff_t>(i)); }

 private:
  TTransportFactory factory_;
  TEventPump pumpEvents_;
  TMsClock& clock_;
  std::unique_ptr<TMySocket> host_;
  std::vector<std::unique_ptr<TMySocket>> clients_;
};

}  // namespace vt
