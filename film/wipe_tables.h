#pragma once
// The tables and work pictures of a transition that depend only on the picture's size and the
// transition's parameters, kept for the next transition of the same kind that asks for the
// same key: a picture flipped with the same transition again finds them made. One a kind is
// kept (the last one asked for); the transitions run on the main thread only.

#include <memory>
#include <optional>

namespace orva {

template <class TKey, class TTable>
class TWipeTableCache {
 public:
  // The table of the key: the one kept when it is that key's, else the one `make` builds,
  // which is kept from then on.
  template <class TMake>
  std::shared_ptr<TTable> Get(const TKey& key, TMake make) {
    if (!table_ || key_ != key) {
      table_ = make();
      key_ = key;
    }
    return table_;
  }
  // Like Get, for a table its taker writes into: the kept one only while no one else holds it.
  template <class TMake>
  std::shared_ptr<TTable> GetUnshared(const TKey& key, TMake make) {
    if (table_ && table_.use_count() > 1) table_.reset();
    return Get(key, make);
  }

 private:
  std::optional<TKey> key_;
  std::shared_ptr<TTable> table_;
};

}  // namespace orva
