#include "engine_hooks.h"

namespace qtest {
namespace {

FakeEngineUi* current = nullptr;

void Pump(uintptr_t) {
  ++current->pumps;
  if (current->onPump) current->onPump();
}
bool Key(int) {
  ++current->keyQueries;
  return current->keyHeld;
}
void Notify(uintptr_t, int16_t id, int16_t* percent) {
  current->percents.push_back(*percent);
  current->notifyIds.push_back(id);
  if (current->onNotify) current->onNotify(percent);
}
uint32_t Tick() { return current->now; }

}  // namespace

FakeEngineUi::FakeEngineUi() : saved_(GetEngineUi()) {
  current = this;
  SetEngineUi(platform::EngineUi{Pump, Key, Notify, Tick});
}

FakeEngineUi::~FakeEngineUi() {
  SetEngineUi(saved_);
  current = nullptr;
}

}  // namespace qtest
