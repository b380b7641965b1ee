// How a batch of replacements takes its turn with other batches committed at the
// same time on other threads: each flushes its data as soon as it can, so that the
// flushes overlap, but renames only in its turn, so that a name replaced by two
// batches ends with the later one's content.
#pragma once

#include <functional>

namespace qv {

struct RenameTurn {
  // Returns when the batch may rename (the batches before it have renamed).
  std::function<void()> waitForTurn;
  // Told once the batch has renamed, or has given up before renaming.
  std::function<void()> endTurn;
};

// Takes the turn for a scope: waits at once, and ends it when the scope ends, on
// every path out.
class TakenTurn {
 public:
  explicit TakenTurn(const RenameTurn& turn) : m_turn(turn) {
    if (m_turn.waitForTurn) m_turn.waitForTurn();
  }
  ~TakenTurn() { End(); }
  TakenTurn(const TakenTurn&) = delete;
  TakenTurn& operator=(const TakenTurn&) = delete;
  void End() {
    if (m_bEnded) return;
    m_bEnded = true;
    if (m_turn.endTurn) m_turn.endTurn();
  }

 private:
  const RenameTurn& m_turn;
  bool m_bEnded = false;
};

}  // namespace qv
