#include "app/cli/net_commands.h"

#include "app/cli/cli.h"

#include <ostream>

#if VT_CLI_HAVE_PLATFORM

#include "net/headless_artist.h"
#include "net/net_observer.h"
#include "net/net_session.h"
#include "platform/px_image.h"
#include "platform/qt_clock.h"
#include "platform/qt_transport.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QThread>

#include <charconv>
#include <memory>
#include <optional>

namespace vt {

namespace {

constexpr std::uint32_t kStatusPrintMs = 500;
// After its time is up a member waits at most this long for its stream to leave and
// for what it received to be replayed.
constexpr std::uint32_t kDrainMs = 10000;
// Bytes handed to the transport are flushed by the event loop: a member stays this long
// after everything has left its socket.
constexpr std::uint32_t kFlushMs = 500;
constexpr std::int64_t kMaxSeconds = 7 * 24 * 3600;
constexpr std::int64_t kMaxStrokes = 1000000;

struct TNetOptions {
  bool Host = false;
  THostParams HostParams;
  TClientParams ClientParams;
  std::int64_t Strokes = 0;
  std::int64_t Seconds = 10;
  std::string HistoryFile;
  std::string RenderFile;
  bool Loopback = false;
};

std::optional<std::int64_t> ParseNumber(const std::string& text, std::int64_t low, std::int64_t high) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
    return std::nullopt;
  return value;
}

bool ParseSize(const std::string& text, std::int32_t& width, std::int32_t& height) {
  const auto x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  const auto w = ParseNumber(text.substr(0, x), 1, TNetSession::kMaxSide);
  const auto h = ParseNumber(text.substr(x + 1), 1, TNetSession::kMaxSide);
  if (!w || !h) return false;
  width = static_cast<std::int32_t>(*w);
  height = static_cast<std::int32_t>(*h);
  return true;
}

// Reads one option with its value; false with a message on err when it is wrong.
bool ParseOption(const std::string& name, const std::string& value, TNetOptions& o, std::ostream& err) {
  auto number = [&](std::int64_t low, std::int64_t high) {
    const auto n = ParseNumber(value, low, high);
    if (!n) err << "vellumtide-cli: " << name << " takes a number from " << low << " to " << high << "\n";
    return n;
  };
  std::optional<std::int64_t> n;
  if (name == "--port") {
    if (!(n = number(0, 65535))) return false;
    o.HostParams.Port = o.ClientParams.Port = static_cast<std::uint16_t>(*n);
  } else if (name == "--user") {
    o.HostParams.User = o.ClientParams.User = value;
  } else if (name == "--password") {
    o.HostParams.Password = o.ClientParams.Password = value;
  } else if (o.Host && name == "--size") {
    if (!ParseSize(value, o.HostParams.Width, o.HostParams.Height)) {
      err << "vellumtide-cli: --size takes WIDTHxHEIGHT, each 1 to " << TNetSession::kMaxSide << "\n";
      return false;
    }
  } else if (o.Host && name == "--members") {
    if (!(n = number(2, 4))) return false;
    o.HostParams.MaxMembers = static_cast<std::int32_t>(*n);
  } else if (o.Host && name == "--layers") {
    if (!(n = number(1, 4))) return false;
    o.HostParams.LayersPerMember = static_cast<std::int32_t>(*n);
  } else if (name == "--strokes") {
    if (!(n = number(0, kMaxStrokes))) return false;
    o.Strokes = *n;
  } else if (name == "--seconds") {
    if (!(n = number(0, kMaxSeconds))) return false;
    o.Seconds = *n;
  } else if (name == "--save-history") {
    o.HistoryFile = value;
  } else if (name == "--render") {
    o.RenderFile = value;
  } else {
    err << "vellumtide-cli: unknown option " << name << "\n";
    return false;
  }
  return true;
}

std::optional<TNetOptions> ParseOptions(const std::vector<std::string>& args, bool host, std::ostream& err) {
  TNetOptions o;
  o.Host = host;
  o.HostParams.User = "HOST";
  o.ClientParams.User = "GUEST";
  bool haveAddress = host;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word == "--loopback") {
      o.Loopback = true;
    } else if (word.rfind("--", 0) == 0) {
      if (i + 1 >= args.size()) {
        err << "vellumtide-cli: " << word << " needs a value\n";
        return std::nullopt;
      }
      if (!ParseOption(word, args[++i], o, err)) return std::nullopt;
    } else if (!haveAddress) {
      o.ClientParams.Address = word;
      haveAddress = true;
    } else {
      err << "vellumtide-cli: unexpected argument " << word << "\n";
      return std::nullopt;
    }
  }
  if (!haveAddress) {
    err << "vellumtide-cli: join needs the host's address\n";
    return std::nullopt;
  }
  return o;
}

bool LocalHost(std::string& name, std::string& address) {
  name = QHostInfo::localHostName().toStdString();
  for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
    if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) {
      address = a.toString().toStdString();
      return true;
    }
  }
  address = QHostAddress(QHostAddress::LocalHost).toString().toStdString();
  return true;
}

// Prints what the session shows; renders and names the history file as the shared
// paper closes.
class TConsoleObserver : public TNetObserver {
 public:
  TConsoleObserver(std::ostream& out, const TNetOptions& options, TMsClock& clock)
      : out_(out), options_(options), clock_(clock) {}

  void Log(const std::string& line) override { out_ << line << "\n" << std::flush; }
  void Inform(const std::string& text) override { out_ << text << "\n" << std::flush; }
  void StatusChanged(const std::string& caption) override {
    status_ = caption;
    const std::uint32_t now = clock_.NowMs();
    if (printed_ && now - lastPrint_ < kStatusPrintMs) return;
    PrintStatus();
  }
  void PrintStatus() {
    if (status_.empty() || status_ == lastPrinted_) return;
    out_ << status_ << "\n" << std::flush;
    lastPrinted_ = status_;
    lastPrint_ = clock_.NowMs();
    printed_ = true;
  }
  void SharedPaperOpened(TDrawDocument&) override { ranSession = true; }
  void SharedPaperClosing(TDrawDocument& document) override {
    PrintStatus();
    if (options_.RenderFile.empty()) return;
    document.Paper.RecompositeAll();
    if (!WrapPX(document.Paper.Composite).save(QString::fromStdString(options_.RenderFile), "PNG")) {
      out_ << "vellumtide-cli: cannot write " << options_.RenderFile << "\n";
      failed = true;
    }
  }
  std::string AskHistoryFile() override { return options_.HistoryFile; }
  void HistorySaveFailed(const std::string& fileName) override {
    out_ << "vellumtide-cli: cannot write " << fileName << "\n";
    failed = true;
  }

  bool ranSession = false;
  bool failed = false;

 private:
  std::ostream& out_;
  const TNetOptions& options_;
  TMsClock& clock_;
  std::string status_;
  std::string lastPrinted_;
  std::uint32_t lastPrint_ = 0;
  bool printed_ = false;
};

// Nothing of this member is on its way and everything it received is replayed.
bool Drained(TNetSession& session, const THeadlessArtist& artist) {
  TDrawDocument* document = session.SharedDocument();
  TMySocket* socket = session.Socket();
  if (document == nullptr || socket == nullptr) return true;
  if (artist.InStroke() || document->OwnStream().Stream().Size() != session.OwnBytesSent() ||
      socket->SendQueueSize() != 0)
    return false;
  for (std::int32_t i = 0; i < TDrawDocument::Slots; ++i) {
    if (i == document->OwnSlot()) continue;
    const TEventPacket& packet = document->StrokeStreams[static_cast<std::size_t>(i)];
    if (socket->DataAvailable(i) != 0 || session.Exchange().Pending(i) != 0 || packet.InStroke() ||
        packet.Stream().ReadPosition() != packet.Stream().Size())
      return false;
  }
  return true;
}

// One member's life: the event loop, the idle pass, the join timer and the artist,
// until its time is up (then a bounded wait for its stream to drain) or its session ends.
int RunMember(const TNetOptions& options, std::ostream& out) {
  std::unique_ptr<QCoreApplication> ownApp;
  if (QCoreApplication::instance() == nullptr) {
    static int argc = 1;
    static char name[] = "vellumtide-cli";
    static char* argv[] = {name, nullptr};
    ownApp = std::make_unique<QCoreApplication>(argc, argv);
  }
  TQtClock clock;
  TConsoleObserver observer(out, options, clock);
  TNetEnvironment environment;
  environment.MakeTransport = [loopback = options.Loopback] {
    return std::make_unique<TQtTransport>(loopback);
  };
  environment.Clock = &clock;
  environment.LocalHost = LocalHost;
  environment.DeferDisplay = true;
  TNetSession session(std::move(environment), observer);
  const bool started =
      options.Host ? session.StartHost(options.HostParams) : session.StartClient(options.ClientParams);
  if (!started) return kExitFailed;
  if (options.Host && session.Socket() != nullptr && options.HostParams.Port == 0)
    out << "PORT: " << session.Socket()->ListenPort() << "\n" << std::flush;

  TArtistParams artistParams;
  artistParams.Strokes = static_cast<std::int32_t>(options.Strokes);
  artistParams.Seed = options.Host ? 1u : static_cast<std::uint32_t>(QCoreApplication::applicationPid());
  THeadlessArtist artist(artistParams);
  const std::uint64_t endMs = static_cast<std::uint64_t>(options.Seconds) * 1000;
  std::uint64_t elapsed = 0;
  std::uint32_t last = clock.NowMs(), lastTimer = last;
  std::uint32_t drainStart = 0, drainedSince = 0;
  bool draining = false, drained = false;
  while (session.SharedDocument() != nullptr || session.TimerActive()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    const std::uint32_t now = clock.NowMs();
    elapsed += now - last;
    last = now;
    if (now - lastTimer >= TNetSession::kJoinTimerMs) {
      lastTimer = now;
      session.JoinTimerStep();
    }
    session.IdlePass();
    TDrawDocument* document = session.SharedDocument();
    if (document == nullptr) continue;
    if (!draining && elapsed >= endMs) {
      draining = true;
      drainStart = now;
      artist.Finish(*document);
    }
    // A member draws once someone else is there to see it: a member receives the
    // others' streams only from its own join on.
    if (!draining && session.NetPhase() == npRunning && session.Socket() &&
        session.Socket()->MemberCount() >= 2) {
      const std::int32_t l = session.LayersPerMember();
      artist.Step(*document, document->OwnSlot() * l, l, now);
    }
    if (draining) {
      const bool empty = Drained(session, artist);
      if (empty && !drained) drainedSince = now;
      drained = empty;
      if ((drained && now - drainedSince >= kFlushMs) || now - drainStart > kDrainMs)
        session.CloseSharedDrawing();
    }
    QThread::msleep(1);
  }
  return observer.ranSession && !observer.failed ? kExitOk : kExitFailed;
}

int RunNetCommand(const std::vector<std::string>& args, bool host, std::ostream& out, std::ostream& err) {
  const auto options = ParseOptions(args, host, err);
  if (!options) {
    PrintNetUsage(err);
    return kExitUsage;
  }
  return RunMember(*options, out);
}

}  // namespace

void PrintNetUsage(std::ostream& os) {
  os << "  vellumtide-cli host --port P --user U --password W --size WxH --members N --layers L\n"
        "                      [--strokes K] [--seconds S] [--save-history OUT.wpe] [--render OUT.png]\n"
        "      stand by as the host of a shared drawing (members 2 to 4, layers 1 to 4 per member)\n"
        "  vellumtide-cli join ADDRESS --port P --user U --password W\n"
        "                      [--strokes K] [--seconds S] [--save-history OUT.wpe] [--render OUT.png]\n"
        "      join the shared drawing of the host at ADDRESS\n"
        "      --strokes draws K generated pen strokes on the member's own layers; after\n"
        "      --seconds (default 10) the member leaves, saving the session history and the picture\n";
}

int RunHostCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return RunNetCommand(args, true, out, err);
}

int RunJoinCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return RunNetCommand(args, false, out, err);
}

}  // namespace vt

#else  // without the platform layer there are no sockets

namespace vt {

void PrintNetUsage(std::ostream&) {}

int RunHostCommand(const std::vector<std::string>&, std::ostream&, std::ostream& err) {
  err << "vellumtide-cli: built without the platform layer: no network commands\n";
  return kExitFailed;
}

int RunJoinCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return RunHostCommand(args, out, err);
}

}  // namespace vt

#endif
