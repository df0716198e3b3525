#include "support/zip_writer.h"

#include <algorithm>

namespace qtest {
namespace {

void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
void Append(Bytes& b, const std::string& more) { b.insert(b.end(), more.begin(), more.end()); }

}  // namespace

uint32_t ReferenceCrc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

ZipEntryPlan Stored(const std::string& name, const std::string& text) {
  ZipEntryPlan e;
  e.name = name;
  e.data = ToBytes(text);
  return e;
}

Bytes BuildZip(const std::vector<ZipEntryPlan>& entries, const ZipLayout& layout,
               std::vector<uint32_t>* offsets) {
  Bytes out = layout.prefix;
  Bytes central;
  for (const ZipEntryPlan& e : entries) {
    const Bytes& payload = e.method == 0 ? e.data : e.packed;
    const uint32_t crc = e.overrideCrc ? e.crc : ReferenceCrc32(e.data);
    const uint32_t packed = static_cast<uint32_t>(payload.size());
    const uint32_t unpacked =
        static_cast<uint32_t>(e.unpackedSize >= 0 ? e.unpackedSize : static_cast<int64_t>(e.data.size()));
    const uint32_t offset = static_cast<uint32_t>(out.size());
    if (offsets) offsets->push_back(offset);
    const bool hideLocal = (e.flags & 8) && e.zeroSizesInLocal;

    Put32(out, 0x04034b50);
    const size_t fixedFields = out.size();
    Put16(out, 20);
    Put16(out, e.flags);
    Put16(out, e.localMethod >= 0 ? static_cast<uint32_t>(e.localMethod) : e.method);
    Put32(out, e.dosTime);
    Put32(out, hideLocal ? 0 : crc);
    Put32(out, hideLocal ? 0 : (e.overrideLocalSizes ? e.localPacked : packed));
    Put32(out, hideLocal ? 0 : (e.overrideLocalSizes ? e.localUnpacked : unpacked));
    Put16(out, static_cast<uint32_t>(e.name.size()));
    Put16(out, static_cast<uint32_t>(e.extra.size()));
    if (e.zeroLocalHeader) std::fill(out.begin() + static_cast<std::ptrdiff_t>(fixedFields), out.end(), 0);
    Append(out, e.name);
    Append(out, e.extra);
    Append(out, payload);
    if (e.flags & 8) {
      if (e.descriptorSignature) Put32(out, 0x08074b50);
      Put32(out, e.overrideDescriptorCrc ? e.descriptorCrc : crc);
      Put32(out, packed);
      Put32(out, unpacked);
    }

    Put32(central, e.badCentralSignature ? 0x02014b51 : 0x02014b50);
    Put16(central, (static_cast<uint32_t>(e.host) << 8) | 20);
    Put16(central, 20);
    Put16(central, e.flags);
    Put16(central, e.method);
    Put32(central, e.dosTime);
    Put32(central, crc);
    Put32(central, packed);
    Put32(central, unpacked);
    Put16(central, static_cast<uint32_t>(e.name.size()));
    Put16(central, static_cast<uint32_t>(e.extra.size()));
    Put16(central, static_cast<uint32_t>(e.comment.size()));
    Put16(central, 0);  // disk
    Put16(central, 0);  // internal attributes
    Put32(central, e.externalAttr);
    Put32(central, e.centralOffset >= 0 ? static_cast<uint32_t>(e.centralOffset) : offset);
    Append(central, e.name);
    Append(central, e.extra);
    Append(central, e.comment);
  }
  const uint32_t dirOffset = static_cast<uint32_t>(out.size());
  Append(out, central);
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  const auto count = static_cast<uint32_t>(layout.entryCount >= 0 ? layout.entryCount
                                                                  : static_cast<int32_t>(entries.size()));
  Put16(out, count);
  Put16(out, count);
  Put32(out, static_cast<uint32_t>(central.size()));
  Put32(out, dirOffset);
  Put16(out, static_cast<uint32_t>(layout.comment.size()));
  Append(out, layout.comment);
  Append(out, layout.trailer);
  return out;
}

}  // namespace qtest
