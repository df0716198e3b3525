// A scriptable stand-in for the window system while the engine runs: counts
// pumps, records progress messages, lets a test answer them, hold a key or
// move the clock, and restores the engine's previous hooks afterwards.
#pragma once

#include <functional>
#include <vector>

#include "unzip/unzip.h"

namespace qtest {

class FakeEngineUi {
 public:
  FakeEngineUi();
  ~FakeEngineUi();
  FakeEngineUi(const FakeEngineUi&) = delete;
  FakeEngineUi& operator=(const FakeEngineUi&) = delete;

  int pumps = 0;
  std::vector<int> percents;  // every progress message's percentage
  std::vector<int16_t> notifyIds;
  int keyQueries = 0;
  bool keyHeld = false;
  uint32_t now = 1000;  // the clock the engine sees
  // Called with the percentage's address on each message; may store 0xFFFF.
  std::function<void(int16_t* percent)> onNotify;
  // Called on each pump (e.g. to re-enter the engine).
  std::function<void()> onPump;

 private:
  platform::EngineUi saved_;
};

}  // namespace qtest
