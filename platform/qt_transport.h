#pragma once

#include "net/transport.h"

#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

#include <map>

namespace vt {

// The transport over QTcpServer and QTcpSocket on the calling thread's event loop. Every
// notification is queued, so none arrives from inside a call into the transport. Each
// connection buffers at most kWriteBufferLimit unsent bytes; beyond that Send takes
// nothing (-1) and the caller keeps the bytes queued itself.
class TQtTransport : public QObject, public TTransport {
 public:
  static constexpr qint64 kWriteBufferLimit = 1 << 20;

  // loopbackOnly: listen on and connect to 127.0.0.1 only (tests and benchmarks).
  explicit TQtTransport(bool loopbackOnly = false);
  ~TQtTransport() override;

  void SetEvents(TTransportEvents* events) override { events_ = events; }
  bool Listen(std::uint16_t port) override;
  std::uint16_t ListenPort() const override;
  TConnection Connect(const std::string& address, std::uint16_t port) override;
  std::int32_t Send(TConnection connection, const std::uint8_t* data, std::int32_t n) override;
  std::int32_t BytesAvailable(TConnection connection) override;
  std::int32_t Read(TConnection connection, std::uint8_t* data, std::int32_t n) override;
  void CloseConnection(TConnection connection) override;
  void CloseAll() override;
  std::string RemoteAddress(TConnection connection) override;

 private:
  struct TEntry {
    QTcpSocket* Socket = nullptr;
    bool Connected = false;
  };

  void AcceptPending();
  TConnection Adopt(QTcpSocket* socket, bool connected);
  QTcpSocket* Find(TConnection connection) const;
  void OnConnected(TConnection connection);
  void OnDisconnected(TConnection connection);
  void OnError(TConnection connection);
  void Release(TConnection connection);

  bool loopbackOnly_;
  TTransportEvents* events_ = nullptr;
  QTcpServer* server_ = nullptr;
  std::map<TConnection, TEntry> connections_;
  TConnection next_ = 0;
};

}  // namespace vt
