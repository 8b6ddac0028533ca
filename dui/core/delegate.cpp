// The fixed pool of delegate pairs and the shared-ownership handle over it.
#include "dui/core/delegate.h"

namespace dui {

// Every member has a constant initializer, so the static pool below is
// constant-initialized: no start-up code runs over it.
struct Delegate::Pair {
  DelegateKey key;
  std::uint32_t refs = 0;
  Pair* nextFree = nullptr;
};

namespace {

using FreeFunction = void (*)(void* context, Control*, Event&);

struct DelegatePool {
  Delegate::Pair* free = nullptr;
  std::size_t freeCount = 0;
};

}  // namespace

// Linked into a free list on first use; the pool never grows. When it is
// exhausted, creating a delegate yields an empty handle and the registration
// that asked for it fails (Control::addHandler returns false).
static Delegate::Pair g_pairs[Delegate::kPoolSize];

static DelegatePool& pool() {
  static DelegatePool p = [] {
    DelegatePool init;
    for (std::size_t i = Delegate::kPoolSize; i-- > 0;) {
      g_pairs[i].nextFree = init.free;
      init.free = &g_pairs[i];
    }
    init.freeCount = Delegate::kPoolSize;
    return init;
  }();
  return p;
}

DelegateKey DelegateKey::ofFunction(FreeFunction fn, void* context) {
  DelegateKey key;
  key.target = context;
  std::memcpy(key.function, &fn, sizeof(fn));
  key.invoker = [](const DelegateKey& k, Control* sender, Event& e) {
    FreeFunction f;
    std::memcpy(&f, k.function, sizeof(f));
    f(k.target, sender, e);
  };
  return key;
}

Delegate Delegate::fromKey(const DelegateKey& key) {
  DelegatePool& p = pool();
  if (!p.free) return Delegate();  // exhausted
  Pair* pair = p.free;
  p.free = pair->nextFree;
  --p.freeCount;
  pair->key = key;
  pair->refs = 1;
  pair->nextFree = nullptr;
  return Delegate(pair);
}

Delegate::Delegate(const Delegate& other) noexcept : pair_(other.pair_) {
  if (pair_) ++pair_->refs;
}

Delegate::~Delegate() {
  if (!pair_ || --pair_->refs != 0) return;
  DelegatePool& p = pool();
  pair_->key = DelegateKey();
  pair_->nextFree = p.free;
  p.free = pair_;
  ++p.freeCount;
}

bool Delegate::enabled() const { return pair_ && pair_->key.invoker; }

void Delegate::disable() const {
  if (pair_) pair_->key.invoker = nullptr;
}

bool Delegate::matches(const DelegateKey& key) const {
  return pair_ && pair_->key.invoker && pair_->key == key;
}

void* Delegate::target() const { return pair_ ? pair_->key.target : nullptr; }

void Delegate::invoke(Control* sender, Event& e) const {
  if (!pair_ || !pair_->key.invoker) return;
  const DelegateKey key = pair_->key;  // the handler may disable this very delegate
  key.invoker(key, sender, e);
}

std::size_t Delegate::freePairs() { return pool().freeCount; }

}  // namespace dui
