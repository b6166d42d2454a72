#include "net/memory_transport.h"

#include <algorithm>

namespace vt {

TConnection TMemoryNetwork::AddEndpoint(TMemoryTransport* owner) {
  endpoints_.push_back({owner, -1, true, {}});
  return static_cast<TConnection>(endpoints_.size() - 1);
}

TMemoryNetwork::TEndpoint* TMemoryNetwork::Owned(const TMemoryTransport* owner, TConnection connection) {
  if (connection < 0 || static_cast<std::size_t>(connection) >= endpoints_.size()) return nullptr;
  TEndpoint& endpoint = endpoints_[static_cast<std::size_t>(connection)];
  return endpoint.Owner == owner && endpoint.Open ? &endpoint : nullptr;
}

std::int32_t TMemoryNetwork::Deliver(std::int32_t limit) {
  std::int32_t count = 0;
  while (!queue_.empty() && count < limit) {
    const auto [note, id] = queue_.front();
    queue_.pop_front();
    ++count;
    TEndpoint& endpoint = endpoints_[static_cast<std::size_t>(id)];
    if (endpoint.Owner == nullptr || !endpoint.Open) continue;
    TTransportEvents* events = endpoint.Owner->Events();
    if (note == TNote::Disconnected || note == TNote::Failed) {
      endpoint.Open = false;  // gone once reported, as the interface promises
      endpoint.Inbox.clear();
    }
    if (events == nullptr) continue;
    switch (note) {
      case TNote::Accepted:
        events->TransportAccepted(id);
        break;
      case TNote::Connected:
        events->TransportConnected(id);
        break;
      case TNote::Readable:
        events->TransportReadable(id);
        break;
      case TNote::Disconnected:
        events->TransportDisconnected(id);
        break;
      case TNote::Failed:
        events->TransportFailed(id);
        break;
    }
  }
  return count;
}

TMemoryTransport::~TMemoryTransport() {
  CloseAll();
  for (auto& endpoint : network_.endpoints_) {
    if (endpoint.Owner == this) endpoint.Owner = nullptr;
  }
}

bool TMemoryTransport::Listen(std::uint16_t port) {
  if (port_ != 0) network_.listeners_.erase(port_);
  if (port == 0) {
    while (network_.listeners_.count(network_.nextPort_) != 0) ++network_.nextPort_;
    port = network_.nextPort_++;
  }
  if (network_.listeners_.count(port) != 0) return false;
  network_.listeners_[port] = this;
  port_ = port;
  return true;
}

TConnection TMemoryTransport::Connect(const std::string& address, std::uint16_t port) {
  if (address.empty()) return -1;
  const TConnection own = network_.AddEndpoint(this);
  const auto listener = network_.listeners_.find(port);
  if (listener == network_.listeners_.end()) {
    network_.Post(TMemoryNetwork::TNote::Failed, own);
    return own;
  }
  const TConnection remote = network_.AddEndpoint(listener->second);
  network_.endpoints_[static_cast<std::size_t>(own)].Peer = remote;
  network_.endpoints_[static_cast<std::size_t>(remote)].Peer = own;
  network_.Post(TMemoryNetwork::TNote::Accepted, remote);
  network_.Post(TMemoryNetwork::TNote::Connected, own);
  return own;
}

std::int32_t TMemoryTransport::Send(TConnection connection, const std::uint8_t* data, std::int32_t n) {
  auto* endpoint = network_.Owned(this, connection);
  if (endpoint == nullptr || endpoint->Peer < 0 || n <= 0 || sendLimit_ <= 0) return -1;
  auto& peer = network_.endpoints_[static_cast<std::size_t>(endpoint->Peer)];
  if (!peer.Open) return -1;
  const std::int32_t taken = std::min(n, sendLimit_);
  peer.Inbox.insert(peer.Inbox.end(), data, data + taken);
  network_.Post(TMemoryNetwork::TNote::Readable, endpoint->Peer);
  return taken;
}

std::int32_t TMemoryTransport::BytesAvailable(TConnection connection) {
  auto* endpoint = network_.Owned(this, connection);
  return endpoint == nullptr ? 0 : static_cast<std::int32_t>(endpoint->Inbox.size());
}

std::int32_t TMemoryTransport::Read(TConnection connection, std::uint8_t* data, std::int32_t n) {
  auto* endpoint = network_.Owned(this, connection);
  if (endpoint == nullptr || n <= 0) return 0;
  const auto count = std::min<std::size_t>(static_cast<std::size_t>(n), endpoint->Inbox.size());
  std::copy_n(endpoint->Inbox.begin(), count, data);
  endpoint->Inbox.erase(endpoint->Inbox.begin(),
                        endpoint->Inbox.begin() + static_cast<std::ptrdiff_t>(count));
  return static_cast<std::int32_t>(count);
}

void TMemoryTransport::CloseConnection(TConnection connection) {
  auto* endpoint = network_.Owned(this, connection);
  if (endpoint == nullptr) return;
  endpoint->Open = false;
  endpoint->Inbox.clear();
  if (endpoint->Peer >= 0) network_.Post(TMemoryNetwork::TNote::Disconnected, endpoint->Peer);
}

void TMemoryTransport::CloseAll() {
  if (port_ != 0) network_.listeners_.erase(port_);
  port_ = 0;
  for (std::size_t i = 0; i < network_.endpoints_.size(); ++i) {
    if (network_.endpoints_[i].Owner == this) CloseConnection(static_cast<TConnection>(i));
  }
}

std::string TMemoryTransport::RemoteAddress(TConnection connection) {
  return network_.Owned(this, connection) != nullptr ? "127.0.0.1" : std::string();
}

}  // namespace vt
