#include "net/my_socket.h"
#include "platform/qt_transport.h"
#include "tests/support/socket_cases.h"

#include <QCoreApplication>

namespace vt {
namespace {

// Real TCP sockets on 127.0.0.1, driven by this thread's event loop.
struct TLoopbackEnv {
  std::unique_ptr<TTransport> Make() { return std::make_unique<TQtTransport>(true); }
  void PumpEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Loopback, SocketSessionCases, TLoopbackEnv);

TEST(QtTransport, RefusesAddressesOutsideLoopbackAndNonNumericOnes) {
  TQtTransport transport(true);
  EXPECT_EQ(transport.Connect("10.0.0.1", 9001), -1);
  EXPECT_EQ(transport.Connect("localhost", 9001), -1);
  EXPECT_EQ(transport.Connect("::1", 9001), -1);
}

TEST(QtTransport, FailedConnectionReportsFailure) {
  TFakeClock clock;
  TMySocket probe(std::make_unique<TQtTransport>(true), clock);
  ASSERT_TRUE(probe.Standby(0, "H", ""));
  const std::uint16_t port = probe.ListenPort();
  probe.Close();  // the port is free again, so a connection to it is refused
  TMySocket client(std::make_unique<TQtTransport>(true), clock);
  ASSERT_TRUE(client.Connect("127.0.0.1", port, "G", ""));
  TSessionHarness harness([] { return std::make_unique<TQtTransport>(true); },
                          [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); }, clock);
  EXPECT_TRUE(harness.RunUntil([&] { return client.State() == ssFailed; }));
}

}  // namespace
}  // namespace vt
