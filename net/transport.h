#pragma once

#include <cstdint>
#include <string>

namespace vt {

// A connection as the transport numbers it; numbers are not reused while a transport lives.
using TConnection = std::int32_t;

// What a transport reports to its user. Notifications come from the event loop, never
// from inside a call into the transport, so a handler may call the transport freely.
class TTransportEvents {
 public:
  virtual ~TTransportEvents() = default;
  // Listening side: a new connection was accepted.
  virtual void TransportAccepted(TConnection connection) = 0;
  // Connecting side: the connection is up.
  virtual void TransportConnected(TConnection connection) = 0;
  virtual void TransportReadable(TConnection connection) = 0;
  // The peer closed the connection or it broke; the connection is gone afterwards.
  virtual void TransportDisconnected(TConnection connection) = 0;
  // Connecting side: the attempt failed; the connection is gone afterwards.
  virtual void TransportFailed(TConnection connection) = 0;
};

// Non-blocking byte streams: one listening port and any number of connections.
class TTransport {
 public:
  virtual ~TTransport() = default;

  virtual void SetEvents(TTransportEvents* events) = 0;
  // Port 0 picks a free port; ListenPort tells which.
  virtual bool Listen(std::uint16_t port) = 0;
  virtual std::uint16_t ListenPort() const = 0;
  // Starts a connection to a dotted IPv4 address; -1 when the address is not one.
  virtual TConnection Connect(const std::string& address, std::uint16_t port) = 0;
  // Bytes taken from data (1 to n), or -1 when none can be taken now.
  virtual std::int32_t Send(TConnection connection, const std::uint8_t* data, std::int32_t n) = 0;
  virtual std::int32_t BytesAvailable(TConnection connection) = 0;
  virtual std::int32_t Read(TConnection connection, std::uint8_t* data, std::int32_t n) = 0;
  // Closes one connection; no notification follows for it.
  virtual void CloseConnection(TConnection connection) = 0;
  // Stops listening and closes every connection, without notifications.
  virtual void CloseAll() = 0;
  virtual std::string RemoteAddress(TConnection connection) = 0;
};

}  // namespace vt
