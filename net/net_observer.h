#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vt {

class TDrawDocument;

// What a network session shows to its user. The session hands over finished texts (log
// lines, the member list, the status caption); the user interface only displays them.
// Every call comes from the session's own operations on the caller's thread.
class TNetObserver {
 public:
  virtual ~TNetObserver() = default;

  // The chat window's log.
  virtual void ClearLog() {}
  virtual void Log(const std::string& line) = 0;
  // The member list, top to bottom; empty when the list is cleared.
  virtual void MembersChanged(const std::vector<std::string>& lines) { (void)lines; }
  // The network window's caption during a shared drawing.
  virtual void StatusChanged(const std::string& caption) { (void)caption; }
  // The session controls are locked while a session runs and the join timer runs with them.
  virtual void ControlsLocked(bool locked) { (void)locked; }

  // The shared paper was built (show and fit its window) or is about to be freed.
  virtual void SharedPaperOpened(TDrawDocument& document) { (void)document; }
  virtual void SharedPaperClosing(TDrawDocument& document) { (void)document; }

  // An information box with the given text.
  virtual void Inform(const std::string& text) { (void)text; }
  // The save offer at the end of a shared drawing: a file name for the session history,
  // or empty to save nothing.
  virtual std::string AskHistoryFile() { return {}; }
  virtual void HistorySaveFailed(const std::string& fileName) { (void)fileName; }

  // A session change for the lobby program (0x602 host ended, 0x603 session full enough,
  // 0x604 a member left).
  virtual void NotifyLobby(std::int32_t message) { (void)message; }
};

}  // namespace vt
