#pragma once

#include "net/transport.h"

#include <cstdint>
#include <deque>
#include <map>
#include <vector>

namespace vt {

class TMemoryTransport;

// Connects memory transports to each other, deterministically: notifications wait in one
// queue until Deliver runs them in order. Every connection's remote address is
// "127.0.0.1". The network outlives its transports.
class TMemoryNetwork {
 public:
  // Runs queued notifications (also those they queue) up to limit; returns how many ran.
  std::int32_t Deliver(std::int32_t limit = 1000000);

 private:
  friend class TMemoryTransport;
  enum class TNote { Accepted, Connected, Readable, Disconnected, Failed };
  struct TEndpoint {
    TMemoryTransport* Owner = nullptr;
    TConnection Peer = -1;
    bool Open = true;
    std::deque<std::uint8_t> Inbox;
  };

  TConnection AddEndpoint(TMemoryTransport* owner);
  void Post(TNote note, TConnection endpoint) { queue_.push_back({note, endpoint}); }
  TEndpoint* Owned(const TMemoryTransport* owner, TConnection connection);

  std::vector<TEndpoint> endpoints_;
  std::map<std::uint16_t, TMemoryTransport*> listeners_;
  std::deque<std::pair<TNote, TConnection>> queue_;
  std::uint16_t nextPort_ = 40000;
};

class TMemoryTransport : public TTransport {
 public:
  explicit TMemoryTransport(TMemoryNetwork& network) : network_(network) {}
  ~TMemoryTransport() override;

  void SetEvents(TTransportEvents* events) override { events_ = events; }
  bool Listen(std::uint16_t port) override;
  std::uint16_t ListenPort() const override { return port_; }
  TConnection Connect(const std::string& address, std::uint16_t port) override;
  std::int32_t Send(TConnection connection, const std::uint8_t* data, std::int32_t n) override;
  std::int32_t BytesAvailable(TConnection connection) override;
  std::int32_t Read(TConnection connection, std::uint8_t* data, std::int32_t n) override;
  void CloseConnection(TConnection connection) override;
  void CloseAll() override;
  std::string RemoteAddress(TConnection connection) override;

  // At most this many bytes are taken per Send (to exercise partial sends); 0 or less
  // blocks every Send (-1) until it is raised again.
  void SetSendLimit(std::int32_t bytes) { sendLimit_ = bytes; }
  TTransportEvents* Events() const { return events_; }

 private:
  TMemoryNetwork& network_;
  TTransportEvents* events_ = nullptr;
  std::uint16_t port_ = 0;
  std::int32_t sendLimit_ = 1 << 30;
};

}  // namespace vt
