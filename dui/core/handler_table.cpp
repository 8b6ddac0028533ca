// Handler lists: registration order kept, removal disables before unlinking.
#include "dui/core/handler_table.h"

namespace dui {

bool HandlerTable::add(std::uint32_t code, const Delegate& delegate) {
  if (delegate.empty()) return false;
  lists_[code].push_back(delegate);
  return true;
}

bool HandlerTable::remove(std::uint32_t code, const DelegateKey& key) {
  auto it = lists_.find(code);
  if (it == lists_.end()) return false;
  std::vector<Delegate>& list = it->second;
  for (auto d = list.begin(); d != list.end(); ++d) {
    if (d->matches(key)) {
      d->disable();  // a raise in progress may still hold it
      list.erase(d);
      return true;
    }
  }
  return false;
}

void HandlerTable::disableAll() {
  for (auto& entry : lists_) {
    for (const Delegate& d : entry.second) d.disable();
  }
}

const std::vector<Delegate>* HandlerTable::find(std::uint32_t code) const {
  auto it = lists_.find(code);
  return it == lists_.end() ? nullptr : &it->second;
}

}  // namespace dui
