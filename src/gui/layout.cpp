#include "gui/layout.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "common/message.h"
#include "gui/layout_reader.h"

namespace gui {
namespace {

using layout_detail::kEndRecord;
using layout_detail::kMaxDepth;
using layout_detail::kObjectRecord;

// Lines count from 1.
unsigned Line(int line) { return static_cast<unsigned>(line); }

struct StringSink {
  std::string bytes;
  size_t size() const { return bytes.size(); }
  void Share(size_t) {}  // records read at run time are read once
  void Insert(size_t at, const char* from, size_t n) {
    bytes.append(from, n);
    std::rotate(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                bytes.end() - static_cast<std::ptrdiff_t>(n), bytes.end());
  }
};

// Reads records as the reader puts them.
class RecordReader {
 public:
  explicit RecordReader(std::string_view records) : records_(records) {}
  bool AtEnd() const { return at_ == records_.size(); }
  unsigned char Byte() { return static_cast<unsigned char>(records_[at_++]); }
  uint64_t Count() {
    uint64_t v = 0;
    for (int shift = 0;; shift += 7) {
      const unsigned char b = Byte();
      v |= static_cast<uint64_t>(b & 127) << shift;
      if (b < 128) return v;
    }
  }
  std::string_view Text() {
    const auto count = static_cast<size_t>(Count());
    if (count & 1) return RecordReader(records_.substr(count >> 1)).Text();
    const std::string_view text = records_.substr(at_, count >> 1);
    at_ += count >> 1;
    return text;
  }
  double Real() {
    static_assert(std::endian::native == std::endian::little, "the bytes go low first");
    double v = 0;
    std::memcpy(&v, records_.data() + at_, sizeof v);
    at_ += sizeof v;
    return v;
  }

 private:
  std::string_view records_;
  size_t at_ = 0;
};

// Applies whole records: a stream the reader cut at a fault ends after its
// last complete record, inside an open object.
q::Error Apply(std::string_view records, TComponent& root, const TComponentFactory& create,
               std::vector<TComponent*>& created) {
  RecordReader in(records);
  TComponent* open[kMaxDepth + 1];  // the enclosing objects, the innermost last
  int depth = 0;
  int line = 1;
  while (!in.AtEnd()) {
    const unsigned char first = in.Byte();
    const int tag = first & 7;
    if (tag == kEndRecord) {
      --depth;
      continue;
    }
    line += first >> 3;
    if (first >> 3 == layout_detail::kFarLine) line += static_cast<int>(in.Count());
    const std::string_view name = in.Text();
    if (tag == kObjectRecord) {
      const std::string_view cls = in.Text();
      TComponent* comp = &root;
      if (depth == 0) {
        if (!root.InheritsFrom(cls)) {
          return q::Error::Failf("layout line %u: the layout is for a %s, not a %s", Line(line),
                                 cls, root.ClassName());
        }
      } else {
        if (root.FindComponent(name)) {
          return q::Error::Failf("layout line %u: a second component %s", Line(line), name);
        }
        comp = create(cls);
        if (!comp) return q::Error::Failf("layout line %u: unknown class %s", Line(line), cls);
      }
      comp->SetName(std::string(name));
      comp->BeginLoading();
      created.push_back(comp);
      if (depth > 0) {
        if (q::Error e = comp->SetParentComponent(open[depth - 1])) {
          return std::move(e).WithContext(q::Message("layout line %u: %s", Line(line), name));
        }
      }
      open[depth++] = comp;
      continue;
    }
    TValue value;
    value.kind = static_cast<TValue::Kind>(tag);
    switch (value.kind) {
      case TValue::Kind::Int: {
        const uint64_t bits = in.Count();
        value.integer = static_cast<int64_t>(bits & 1 ? ~(bits >> 1) : bits >> 1);
        break;
      }
      case TValue::Kind::Float: value.real = in.Real(); [[fallthrough]];
      case TValue::Kind::String:
      case TValue::Kind::Ident: value.text = in.Text(); break;
      case TValue::Kind::Set:
        for (std::string_view member = in.Text(); !member.empty(); member = in.Text()) {
          value.set.emplace_back(member);
        }
        break;
    }
    TComponent* comp = open[depth - 1];
    if (q::Error e = comp->SetProperty(name, value)) {
      return std::move(e).WithContext(
          q::Message("layout line %u: %s.%s", Line(line), comp->Name(), name));
    }
  }
  return {};
}

}  // namespace

q::Error ApplyLayout(const TCompiledLayout& layout, TComponent& root,
                     const TComponentFactory& create, std::vector<TComponent*>& created) {
  return Apply(layout.Records(), root, create, created);
}

q::Error ReadLayout(std::string_view text, TComponent& root, const TComponentFactory& create,
                    std::vector<TComponent*>& created) {
  StringSink records;
  layout_detail::Reader<StringSink> reader(text, records);
  const bool read = reader.Run();
  // What comes before a fault is applied first, as the text reads: a
  // failing property there is the failure.
  records.bytes.resize(reader.CompleteSize());
  if (q::Error e = Apply(records.bytes, root, create, created)) return e;
  if (read) return {};
  const layout_detail::Fault& fault = reader.LastFault();
  return q::Error::Failf("layout line %u: %s%s%s", Line(fault.line), fault.what, fault.detail,
                         fault.after);
}

}  // namespace gui
