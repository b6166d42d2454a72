// Feeds arbitrary bytes to the receive path of a session host (as one of its clients) or
// of a client (as its host), over the in-memory transport. The first byte picks the side
// (bit 0) and the size of the pieces the bytes arrive in (bits 1-7).
#include "net/memory_transport.h"
#include "net/my_socket.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

class TStillClock : public vt::TMsClock {
 public:
  std::uint32_t NowMs() override { return now_ += 7; }

 private:
  std::uint32_t now_ = 0;
};

// The other end of the connection: takes whatever it receives and records closure.
class TPeer : public vt::TTransportEvents {
 public:
  explicit TPeer(vt::TMemoryNetwork& network) : transport(network) { transport.SetEvents(this); }
  void TransportAccepted(vt::TConnection c) override { connection = c; }
  void TransportConnected(vt::TConnection) override {}
  void TransportReadable(vt::TConnection c) override {
    std::uint8_t sink[4096];
    while (transport.Read(c, sink, sizeof sink) > 0) {
    }
  }
  void TransportDisconnected(vt::TConnection) override { closed = true; }
  void TransportFailed(vt::TConnection) override { closed = true; }

  vt::TMemoryTransport transport;
  vt::TConnection connection = -1;
  bool closed = false;
};

void Check(const vt::TMySocket& socket) {
  if (socket.MemberCount() < 0 || socket.MemberCount() > vt::TMySocket::kSlotCount) std::abort();
  if (socket.OwnId() < 0 || socket.OwnId() >= vt::TMySocket::kSlotCount) std::abort();
  // Nothing beyond the bytes that arrived can have been stored.
  std::int64_t stored = 0;
  for (std::int32_t i = 0; i < vt::TMySocket::kSlotCount; ++i) stored += socket.DataAvailable(i);
  if (stored > socket.BytesReceived()) std::abort();
}

void Feed(vt::TMemoryNetwork& network, vt::TMySocket& socket, TPeer& peer, const std::uint8_t* data,
          std::size_t size, std::size_t piece) {
  for (std::size_t at = 0; at < size && !peer.closed; at += piece) {
    const auto n = static_cast<std::int32_t>(piece < size - at ? piece : size - at);
    peer.transport.Send(peer.connection, data + at, n);
    network.Deliver();
    socket.Pump();
    network.Deliver();
    Check(socket);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool asHost = (data[0] & 1) == 0;
  const std::size_t piece = 1 + (data[0] >> 1) * 37u;
  TStillClock clock;
  vt::TMemoryNetwork network;
  TPeer peer(network);
  vt::TMySocket socket(std::make_unique<vt::TMemoryTransport>(network), clock);
  if (asHost) {
    socket.Standby(0, "HOST", "pw");
    peer.connection = peer.transport.Connect("127.0.0.1", socket.ListenPort());
  } else {
    peer.transport.Listen(0);
    socket.Connect("127.0.0.1", peer.transport.ListenPort(), "GUEST", "pw");
  }
  network.Deliver();
  Feed(network, socket, peer, data + 1, size - 1, piece);
  return 0;
}
