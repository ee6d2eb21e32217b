// A counted reference to an explorer item, for every holder that keeps one: a tree node, a list row, the
// window while it runs an operation, a temporary item. It gives its reference back exactly once, however
// and in whatever order its holders are torn down.
#pragma once

#include <type_traits>
#include <utility>

namespace vendrel {

template <class Item>
class ItemRef {
 public:
  ItemRef() = default;
  // Takes over a reference the caller holds: a new item's first one, or one taken for this holder.
  static ItemRef Adopt(Item* item) {
    ItemRef ref;
    ref.item_ = item;
    return ref;
  }
  // Takes a reference of its own.
  static ItemRef Share(Item* item) {
    if (item != nullptr) item->AddRef();
    return Adopt(item);
  }

  ItemRef(const ItemRef& other) : item_(Share(other.item_).Take()) {}
  ItemRef(ItemRef&& other) noexcept : item_(std::exchange(other.item_, nullptr)) {}
  template <class Other, class = std::enable_if_t<std::is_convertible_v<Other*, Item*>>>
  ItemRef(ItemRef<Other>&& other) noexcept : item_(other.Take()) {}
  ItemRef& operator=(ItemRef other) noexcept {
    std::swap(item_, other.item_);
    return *this;
  }
  ~ItemRef() { reset(); }

  // Gives the reference back. The holder forgets the item first: a release that ends the item can never
  // reach this holder again.
  void reset() {
    if (Item* item = std::exchange(item_, nullptr)) item->Release();
  }
  // Hands the reference over to the caller.
  [[nodiscard]] Item* Take() { return std::exchange(item_, nullptr); }

  Item* get() const { return item_; }
  Item* operator->() const { return item_; }
  Item& operator*() const { return *item_; }
  explicit operator bool() const { return item_ != nullptr; }

 private:
  Item* item_ = nullptr;
};

// A new item with its first reference. Items are reference counted: their destructors are not public, so
// that none can live on the stack or be deleted past its count.
template <class Item, class... Args>
ItemRef<Item> MakeItem(Args&&... args) {
  static_assert(!std::is_destructible_v<Item>, "an item's destructor must not be public");
  return ItemRef<Item>::Adopt(new Item(std::forward<Args>(args)...));
}

}  // namespace vendrel
