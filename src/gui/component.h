// TComponent: the base of everything a layout creates. A component has an
// owner that destroys it, a name, a "loading" flag that is set while a
// layout applies its properties, and Loaded(), called once afterwards.
//
// A subclass names its class for the layout reader and takes the properties
// it knows, passing the rest to its base:
//
//   class TCounter : public gui::TComponent {
//     Q_GUI_CLASS(TCounter, gui::TComponent)
//    public:
//     explicit TCounter(TComponent* owner) : TComponent(owner) {}
//     q::Error SetProperty(std::string_view name, const gui::TValue& v) override {
//       if (name == "Count") return v.ToInt(count_);
//       return TComponent::SetProperty(name, v);
//     }
//     void Loaded() override {
//       TComponent::Loaded();  // IsLoading() is false from here on
//     }
//   };
//
// Setters may test IsLoading() to defer work until Loaded(), and
// IsLoaded() to behave differently once the layout is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "common/error.h"
#include "gui/color.h"

// Declares a component class's name (the one a layout names it by) and its
// place in the class chain, for the layout reader and BindComponent.
#define Q_GUI_CLASS(Cls, Base)                                       \
 public:                                                             \
  static constexpr std::string_view kClassName = #Cls;               \
  std::string_view ClassName() const override { return kClassName; } \
  bool InheritsFrom(std::string_view name) const override {          \
    return name == kClassName || Base::InheritsFrom(name);           \
  }                                                                  \
                                                                     \
 private:

namespace gui {

class TComponent;
using TObject = TComponent;
// Events take the component that fires them.
using TNotifyEvent = std::function<void(TObject* sender)>;

// One value of an enumeration (or flag of a set) and its layout name, a
// literal's characters: an entry is two words, not three.
struct TEnumName {
  const char* name;
  int value;
};

// One property value as a layout writes it.
struct TValue {
  enum class Kind { Int, Float, String, Ident, Set };
  Kind kind = Kind::Int;
  int64_t integer = 0;
  double real = 0;
  std::string text;  // String: the text; Ident: the name; Float: as written (may be empty)
  std::vector<std::string> set;  // Set: the member names

  q::Error ToInt(int& out) const;
  q::Error ToBool(bool& out) const;
  q::Error ToDouble(double& out) const;
  q::Error ToString(std::string& out) const;
  q::Error ToColor(TColor& out) const;
  // The value an identifier names in `names`.
  q::Error ToEnum(std::span<const TEnumName> names, int& out) const;
  // A set of flags: every member must be one of the names; they are or-ed.
  q::Error ToSet(std::span<const TEnumName> names, int& out) const;
  // The same into an enumeration or flag type: one lookup for every type.
  template <typename E>
  q::Error ToEnum(std::span<const TEnumName> names, E& out) const {
    int value = 0;
    q::Error e = ToEnum(names, value);
    if (!e) out = static_cast<E>(value);
    return e;
  }
  template <typename E>
  q::Error ToSet(std::span<const TEnumName> names, E& out) const {
    int value = 0;
    q::Error e = ToSet(names, value);
    if (!e) out = static_cast<E>(value);
    return e;
  }
  std::string Describe() const;
  // The failure "`what`" followed by this value as Describe() gives it.
  q::Error Refused(std::string_view what) const;
};

// One entry of a class's property table: the layout name (a literal's
// characters, as in TEnumName) and the setter it goes through.
template <typename C, typename T>
struct TSetter {
  const char* name;
  void (C::*set)(T);
};

// The index of the entry called `name` among `count` entries `stride`
// bytes apart, `first` being the first entry's name; -1 when none is. The
// search of every table, whatever its entries' type.
int FindNamed(const char* const* first, size_t stride, size_t count, std::string_view name);

// The index of `name` in `names`; -1 when it is none of them.
template <size_t N>
int IndexOf(const char* const (&names)[N], std::string_view name) {
  return FindNamed(names, sizeof names[0], N, name);
}

// Applies `v` through the setter `name` names in `table`, read with
// `convert` (a failed read goes to `error`); false when the table has no
// such name.
template <typename C, typename T, size_t N>
bool ApplySetter(C& object, const TSetter<C, T> (&table)[N], std::string_view name, const TValue& v,
                 q::Error (TValue::*convert)(std::remove_cvref_t<T>&) const, q::Error& error) {
  using Entry = TSetter<C, T>;
  static_assert(offsetof(Entry, name) == 0, "an entry's address is its name's");
  const int i = FindNamed(&table[0].name, sizeof table[0], N, name);
  if (i < 0) return false;
  std::remove_cvref_t<T> value{};
  error = (v.*convert)(value);
  if (!error) (object.*table[i].set)(std::move(value));
  return true;
}

class TComponent {
 public:
  static constexpr std::string_view kClassName = "TComponent";

  // The owner (may be null) destroys this component with itself.
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  virtual std::string_view ClassName() const { return kClassName; }
  virtual bool InheritsFrom(std::string_view name) const { return name == kClassName; }

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Component(int i) const { return components_[static_cast<size_t>(i)]; }
  TComponent* FindComponent(std::string_view name) const;

  // Points `field` at the owned component `name`, which must be a T.
  template <typename T>
  q::Error BindComponent(std::string_view name, T*& field) const {
    TComponent* c = nullptr;
    q::Error e = FindComponentOf(name, T::kClassName, c);
    if (!e) field = static_cast<T*>(c);
    return e;
  }
  // The owned component `name` into `found`, when it is a `className`: the
  // work of BindComponent, once for every class.
  q::Error FindComponentOf(std::string_view name, std::string_view className,
                           TComponent*& found) const;

  // True while a layout applies this component's properties.
  bool IsLoading() const { return loading_; }
  // True once Loaded() has run.
  bool IsLoaded() const { return loaded_; }
  void BeginLoading() { loading_ = true; }

  // Called by the layout reader with the enclosing object, before the
  // properties are applied (controls take it as their parent).
  virtual q::Error SetParentComponent(TComponent* parent);
  // Applies one property from a layout. Unknown names fail.
  virtual q::Error SetProperty(std::string_view name, const TValue& value);
  // Called once after the whole layout is applied (and windows exist);
  // overrides call the base first.
  virtual void Loaded();

 private:
  TComponent* owner_;
  std::string name_;
  std::vector<TComponent*> components_;  // owned, in creation order
  bool loading_ = false;
  bool loaded_ = false;
};

}  // namespace gui
