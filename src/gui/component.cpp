#include "gui/component.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "common/digits.h"
#include "common/message.h"

namespace gui {
namespace {

// A real with six decimals, for messages. Written by hand: the C library's
// formatter would bring its whole floating-point printing machinery.
std::string FixedText(double v) {
  if (!(v == v)) return "nan";
  const std::string_view sign = v < 0 ? "-" : "";
  if (v < 0) v = -v;
  if (v >= 1e13) return q::Message("%shuge", sign);  // beyond what fits the fixed form below
  uint32_t micro = 0;
  const uint64_t whole = q::DivideWide(static_cast<uint64_t>(v * 1e6 + 0.5), 1000000, micro);
  const std::string fraction = q::Decimal(micro);
  return q::Message("%s%u.%s%s", sign, whole, std::string_view("000000", 6 - fraction.size()),
                    fraction);
}

}  // namespace

int FindNamed(const char* const* first, size_t stride, size_t count, std::string_view name) {
  const auto* entry = reinterpret_cast<const char*>(first);
  for (size_t i = 0; i < count; ++i, entry += stride) {
    if (*reinterpret_cast<const char* const*>(entry) == name) return static_cast<int>(i);
  }
  return -1;
}

q::Error TValue::ToEnum(std::span<const TEnumName> names, int& out) const {
  if (kind == Kind::Ident) {
    for (const TEnumName& n : names) {
      if (n.name == text) {
        out = n.value;
        return {};
      }
    }
  }
  return Refused("unknown value ");
}

q::Error TValue::ToSet(std::span<const TEnumName> names, int& out) const {
  if (kind != Kind::Set) return Refused("expected a set, got ");
  int bits = 0;
  for (const std::string& member : set) {
    bool found = false;
    for (const TEnumName& n : names) {
      if (n.name == member) {
        bits |= n.value;
        found = true;
      }
    }
    if (!found) return q::Error::Fail("unknown set member " + member);
  }
  out = bits;
  return {};
}

std::string TValue::Describe() const {
  switch (kind) {
    case Kind::Int: return q::SignedDecimal(integer);
    case Kind::Float: return text.empty() ? FixedText(real) : text;
    case Kind::String: return q::Message("'%s'", text);
    case Kind::Ident: return text;
    case Kind::Set: {
      std::string s = "[";
      for (size_t i = 0; i < set.size(); ++i) s += (i ? ", " : "") + set[i];
      return s + "]";
    }
  }
  return "?";
}

q::Error TValue::Refused(std::string_view what) const {
  return q::Error::Fail(std::string(what).append(Describe()));
}

q::Error TValue::ToInt(int& out) const {
  if (kind != Kind::Int) return Refused("expected an integer, got ");
  if (integer < std::numeric_limits<int>::min() || integer > std::numeric_limits<int>::max()) {
    return Refused("integer out of range: ");
  }
  out = static_cast<int>(integer);
  return {};
}

q::Error TValue::ToBool(bool& out) const {
  if (kind == Kind::Ident && (text == "True" || text == "False")) {
    out = text == "True";
    return {};
  }
  return Refused("expected True or False, got ");
}

q::Error TValue::ToDouble(double& out) const {
  if (kind == Kind::Float) {
    out = real;
  } else if (kind == Kind::Int) {
    out = static_cast<double>(integer);
  } else {
    return Refused("expected a number, got ");
  }
  return {};
}

q::Error TValue::ToString(std::string& out) const {
  if (kind != Kind::String) return Refused("expected a string, got ");
  out = text;
  return {};
}

q::Error TValue::ToColor(TColor& out) const {
  if (kind == Kind::Ident) {
    if (ColorFromIdent(text, out)) return {};
    return q::Error::Fail("unknown colour " + text);
  }
  if (kind == Kind::Int && integer >= std::numeric_limits<int32_t>::min() &&
      integer <= 0xFFFFFFFFll) {
    out = static_cast<TColor>(static_cast<uint32_t>(integer));
    return {};
  }
  return Refused("expected a colour, got ");
}

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
  // Owned components go last-created first, each leaving the list itself.
  while (!components_.empty()) delete components_.back();
  if (owner_) {
    auto& list = owner_->components_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  for (TComponent* c : components_) {
    if (c->name_ == name) return c;
  }
  return nullptr;
}

q::Error TComponent::FindComponentOf(std::string_view name, std::string_view className,
                                     TComponent*& found) const {
  TComponent* c = FindComponent(name);
  if (!c) return q::Error::Failf("no component %s", name);
  if (!c->InheritsFrom(className)) {
    return q::Error::Failf("%s is a %s, not a %s", name, c->ClassName(), className);
  }
  found = c;
  return {};
}

q::Error TComponent::SetParentComponent(TComponent*) { return {}; }

q::Error TComponent::SetProperty(std::string_view name, const TValue&) {
  return q::Error::Failf("%s has no property %s", ClassName(), name);
}

void TComponent::Loaded() {
  loading_ = false;
  loaded_ = true;
}

}  // namespace gui
